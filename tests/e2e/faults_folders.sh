#!/bin/bash
# Folders that cannot be written. The program's folder and the per-user data
# folder both unwritable: the wallpaper and the error protocol fail
# contained (the display's bell rings for the failure), the saver still ends
# at the first key, at once, with status 0, and no file (whole or half) is
# left anywhere. Only the program's folder
# unwritable: the wallpaper goes to the per-user folder, complete.
#
# Root may write into any folder, whatever its mode. So the program's folder
# is taken away while the saver runs and a regular file put in its place
# (nothing can be created below a file), and the per-user folder lies below
# a regular file from the start.
. "$(dirname "$0")/lib.bash"

# Starts a copy of the program in folder $1 with the remaining arguments;
# sets PID once the scene is on the screen.
start_in() {
  local dir=$1
  shift
  mkdir -p "$dir"
  cp "$EXE_SRC" "$dir/sylvadra"
  chmod 555 "$dir"
  "$dir/sylvadra" "$@" & PID=$!
  wait_scene || fail "no landscape from $dir/sylvadra"
}
# Replaces folder $1 by a regular file of the same name.
block_folder() {
  chmod 755 "$1"
  rm -rf "$1"
  echo "not a folder" > "$1"
}
# Ends the saver with a key; it must end within 5 s with status 0.
end_with_key() {
  xdotool key space
  wait_end $PID 50 || { kill -9 $PID; fail "$1: the saver did not end"; }
  wait $PID
  local status=$?
  [ $status = 0 ] || fail "$1: exit status $status"
}
no_temporary_files() {
  local left
  left=$(find "$WORK" -name '*.tmp' -o -name '*.part')
  [ -z "$left" ] || fail "$1: temporary files left: $left"
}

# 1. Both folders unwritable.
coproc BELLS { "$BUILD/tests/sylvadra_xhost" --bells; }
read -r -t 10 line <&"${BELLS[0]}" && [ "$line" = ready ] || fail "the bell listener did not start"
echo "a file" > "$WORK/plain"
export XDG_DATA_HOME="$WORK/plain/data"
start_in "$WORK/ro1" --seed 4 /S
block_folder "$WORK/ro1"
end_with_key "both folders unwritable"
no_temporary_files "both folders unwritable"
found=$(find "$WORK" -name 'Sylvadra.bmp' -o -name '*.EPT')
[ -z "$found" ] || fail "files written although no folder can be written: $found"
read -r -t 10 line <&"${BELLS[0]}" && [ "$line" = bell ] || fail "the failed wallpaper did not ring the bell"
exec {BELLS[1]}>&-
ok "both folders unwritable: the saver ends at once with the bell, nothing written"

# 2. The program's folder unwritable: the wallpaper goes to the user folder.
export XDG_DATA_HOME="$WORK/data"
start_in "$WORK/ro2" --seed 5 /S
block_folder "$WORK/ro2"
end_with_key "program folder unwritable"
no_temporary_files "program folder unwritable"
wallpaper="$XDG_DATA_HOME/sylvadra/Sylvadra.bmp"
[ -f "$wallpaper" ] || fail "no wallpaper in the per-user folder"
size=$(identify -format '%wx%h' "$wallpaper" 2>/dev/null)
[ "$size" = "${SCREEN_W}x${SCREEN_H}" ] || fail "the wallpaper in the per-user folder is '$size'"
found=$(find "$WORK" -name '*.EPT')
[ -z "$found" ] || fail "an error protocol was written: $found"
ok "program folder unwritable: the wallpaper is in the per-user folder ($size)"

# 3. Names planted in the program's folder by someone else, each a symlink
# to a file of the user's: the write probe, the temporary names of old and
# the protocol. Nothing is written through them.
echo "precious" > "$WORK/victim"
mkdir -p "$WORK/planted"
cp "$EXE_SRC" "$WORK/planted/sylvadra"
for name in .sylvadra-write-probe Sylvadra.bmp.tmp Sylvadra.bmp.part sylvadra.EPT; do
  ln -s "$WORK/victim" "$WORK/planted/$name"
done
settings_ini 'Speed=fast'
"$WORK/planted/sylvadra" --seed 6 /S & PID=$!
wait_scene || fail "planted names: no landscape"
end_with_key "planted names"
rm -f "$XDG_CONFIG_HOME/sylvadra/settings.ini"
[ "$(cat "$WORK/victim")" = precious ] || fail "planted names: the linked file was changed"
[ -f "$WORK/planted/Sylvadra.bmp" ] && [ ! -L "$WORK/planted/Sylvadra.bmp" ] || fail "planted names: no wallpaper beside the program"
[ -L "$WORK/planted/sylvadra.EPT" ] || fail "planted names: the planted protocol link was replaced"
grep -q LoadConfig "$XDG_DATA_HOME/sylvadra/sylvadra.EPT" 2>/dev/null ||
  fail "planted names: the protocol did not go to the per-user folder"
ok "planted names: nothing written through them; the protocol went to the per-user folder"

# 4. A full disk under the program's folder (a small tmpfs in a mount
# namespace of the saver's own): the wallpaper goes to the per-user folder.
if unshare -m true 2>/dev/null; then
  rm -rf "$XDG_DATA_HOME/sylvadra"
  mkdir -p "$WORK/full"
  size=$(( $(stat -c %s "$EXE_SRC") / 1024 + 64 ))
  unshare -m bash -c "mount -t tmpfs -o size=${size}k tmpfs '$WORK/full' &&
    cp '$EXE_SRC' '$WORK/full/sylvadra' && { dd if=/dev/zero of='$WORK/full/filler' bs=4k 2>/dev/null; true; } &&
    exec '$WORK/full/sylvadra' --seed 7 /S" & PID=$!
  wait_scene || fail "full disk: no landscape"
  end_with_key "full disk"
  [ -f "$XDG_DATA_HOME/sylvadra/Sylvadra.bmp" ] || fail "full disk: no wallpaper in the per-user folder"
  identify "$XDG_DATA_HOME/sylvadra/Sylvadra.bmp" >/dev/null 2>&1 || fail "full disk: the wallpaper does not open"
  [ ! -e "$XDG_DATA_HOME/sylvadra/sylvadra.EPT" ] || fail "full disk: a protocol although the wallpaper was written"
  ok "full disk in the program's folder: the wallpaper is in the per-user folder"
else
  echo "skip: no mount namespace here, the full-disk case is not run"
fi
saver_gone
exit 0
