#!/bin/sh
# Makes each Wine prefix named on the command line once, with crash
# dialogs off. Under a lock (PREFIX.lock), so that programs started side by
# side wait for the one that makes it; a prefix made completely holds a file
# .ready and is left as it is. True when every prefix is ready.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEARCH=win64
WINE="${WINE:-/usr/lib/wine/wine64}"
WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver}"
status=0
for prefix in "$@"; do
  (
    export WINEPREFIX="$prefix"
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
      rm -rf "$prefix"
      "$WINE" wineboot -i >/dev/null 2>&1
      "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      "$WINESERVER" -w
      touch "$prefix/.ready"
    fi
  ) 9>"$prefix.lock"
  [ -f "$prefix/.ready" ] || { echo "the Wine prefix $prefix could not be made" >&2; status=1; }
done
exit $status
