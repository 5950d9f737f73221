#!/bin/sh
# The resources of Sylvadra.scr, read back from the executable: icon 1, the
# version of the project, string 1 "Sylvadra" (the name in the screen-saver
# list) and the manifest with per-monitor DPI awareness and Common Controls 6.
SCR=$1
SRC=$(cd "$(dirname "$0")/../.." && pwd)
WINDRES=${WINDRES:-x86_64-w64-mingw32-windres}
status=0
fail() { echo "FAIL: $*"; status=1; }

rc=$("$WINDRES" -i "$SCR" -J coff -O rc 2>/dev/null)
[ -n "$rc" ] || { echo "FAIL: no resources read from $SCR"; exit 1; }

version=$(sed -n 's/^project(Sylvadra VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")
echo "project version $version"
echo "$rc" | grep -a -q "VALUE \"FileVersion\", \"$version\"" || fail "FileVersion is not $version"
echo "$rc" | grep -a -q "VALUE \"ProductName\", \"Sylvadra\"" || fail "no ProductName Sylvadra"
echo "$rc" | grep -a -q "FILEVERSION $(echo "$version" | sed 's/\./, /g'), 0" || fail "FILEVERSION is not $version.0"
echo "$rc" | grep -a -q '^  1, "Sylvadra"$' || fail "string 1 is not \"Sylvadra\""
if [ -f "$SRC/resources/icon-1.ico" ]; then
  echo "$rc" | grep -a -A2 "Type: group icon" | grep -a -q "Name: 1\." || fail "no icon 1"
fi
echo "$rc" | grep -a -A2 "Type: 24" | grep -a -q "Name: 1\." || fail "no manifest (RT_MANIFEST 1)"
for text in PerMonitorV2 true/pm Microsoft.Windows.Common-Controls; do
  grep -a -q "$text" "$SCR" || fail "the manifest lacks $text"
done
[ $status = 0 ] && echo PASS
exit $status
