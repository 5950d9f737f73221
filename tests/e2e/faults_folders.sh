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
  left=$(find "$WORK" -name '*.tmp')
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
saver_gone
exit 0
