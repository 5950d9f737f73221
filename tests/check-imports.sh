#!/bin/sh
# The Windows programs are linked statically: they must not import the
# MinGW runtime DLLs (libstdc++, libgcc, winpthread).
status=0
for exe in "$@"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  echo "$exe imports: $(echo $dlls)"
  if echo "$dlls" | grep -qiE 'libstdc|libgcc|winpthread'; then
    echo "FAIL: $exe imports a MinGW runtime DLL"
    status=1
  fi
  [ -n "$dlls" ] || { echo "FAIL: no imports read from $exe"; status=1; }
done
exit $status
