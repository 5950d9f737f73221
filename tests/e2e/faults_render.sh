#!/bin/bash
# Headless rendering among hostile files and folders. The picture goes only
# where it may: a regular file or a new name is replaced atomically (through
# a symlink the user made), a device or a FIFO is written into and stays
# what it is, a folder is refused; --scene-info likewise, and never the
# picture's own file. The render keeps its protocol where the saver keeps
# it, with the real date and system, never through a planted link, never in
# a shared folder, also without HOME. A picture too large for the memory is
# a clear error, and a signal leaves no part of a file behind.
. "$(dirname "$0")/lib.bash"

CLOCK='2026-12-08 12:00:00'
render() { "$EXE" --render "$1" --size 64x48 --seed 3 --clock "$CLOCK" "${@:2}"; }
png_ok() { [ "$(identify -format '%wx%h' "$1" 2>/dev/null)" = 64x48 ]; }
no_parts() {
  local left
  left=$(find "$WORK" /dev -maxdepth 2 -name '*.part' 2>/dev/null)
  [ -z "$left" ] || fail "$1: temporary files left: $left"
}

# Outputs of every kind.
render "$WORK/new.png" || fail "a new name: status $?"
png_ok "$WORK/new.png" || fail "a new name: no picture"
echo old > "$WORK/old.png"
chmod 640 "$WORK/old.png"
render "$WORK/old.png" && png_ok "$WORK/old.png" || fail "a regular file was not replaced"
[ "$(stat -c %a "$WORK/old.png")" = 640 ] || fail "the replaced file lost its mode"
echo old > "$WORK/target.png"
ln -s "$WORK/target.png" "$WORK/link.png"
render "$WORK/link.png" && png_ok "$WORK/target.png" && [ -L "$WORK/link.png" ] ||
  fail "a symlink the user made is not written through"
render /dev/null || fail "/dev/null: status $?"
[ -c /dev/null ] || fail "/dev/null is no longer a device"
mkfifo "$WORK/fifo"
cat "$WORK/fifo" > "$WORK/from-fifo.png" & READER=$!
render "$WORK/fifo" || fail "a FIFO: status $?"
wait $READER
[ -p "$WORK/fifo" ] || fail "the FIFO was replaced"
png_ok "$WORK/from-fifo.png" || fail "the picture did not come through the FIFO"
mkdir "$WORK/folder.png"
out=$(render "$WORK/folder.png" 2>&1) && fail "a folder as output: status 0"
[ -d "$WORK/folder.png" ] || fail "the folder is gone"
echo "$out" | grep -q "is a folder" || fail "a folder as output: no clear message ($out)"
out=$(render "$WORK/same.png" --scene-info "$WORK/same.png" 2>&1) && fail "--scene-info equal to OUT: status 0"
render "$WORK/info.png" --scene-info "$WORK/info.json" && grep -q '"skyType"' "$WORK/info.json" ||
  fail "--scene-info not written"
no_parts "outputs"
ok "outputs: files replaced, links written through, devices and FIFOs written into, folders refused"

# A full disk: the old scene info stays whole (a small tmpfs in a mount
# namespace of its own).
if unshare -m true 2>/dev/null; then
  mkdir -p "$WORK/full"
  unshare -m bash -c "mount -t tmpfs -o size=16k tmpfs '$WORK/full' && echo '{\"old\": true}' > '$WORK/full/info.json' &&
    { dd if=/dev/zero of='$WORK/full/filler' bs=1k 2>/dev/null; true; } &&
    '$EXE' --render '$WORK/full/out.png' --size 64x48 --seed 3 --scene-info '$WORK/full/info.json' 2>'$WORK/full.err';
    status=\$?; cat '$WORK/full/info.json' > '$WORK/full-info.json'; ls -a '$WORK/full' > '$WORK/full-ls'; exit \$status" &&
    fail "full disk: status 0"
  [ "$(cat "$WORK/full-info.json")" = '{"old": true}' ] || fail "full disk: the old scene info was damaged"
  grep -q "cannot write" "$WORK/full.err" || fail "full disk: no message ($(cat "$WORK/full.err"))"
  ! grep -q '\.part' "$WORK/full-ls" || fail "full disk: a temporary file was left"
  ok "full disk: a clear error, the old files whole"
else
  echo "skip: no mount namespace here, the full-disk case is not run"
fi

# A file-size limit: a write that cannot be completed is an error like a
# full disk, never a signal that kills the program halfway; the picture
# cache, the render and its scene info leave nothing behind.
mkdir -p "$WORK/limit"
out=$(ulimit -f 40; XDG_CACHE_HOME="$WORK/limit/cache" "$EXE" --render "$WORK/limit/out.png" --size 1280x720 --seed 3 \
        --sharp --scene-info "$WORK/limit/info.json" 2>&1)
status=$?
[ "$status" = 1 ] || fail "file-size limit: status $status ($out)"
echo "$out" | grep -q "cannot write" || fail "file-size limit: no message ($out)"
left=$(find "$WORK/limit" -name '*.part*')
[ -z "$left" ] || fail "file-size limit: temporary files left: $left"
[ ! -e "$WORK/limit/out.png" ] || fail "file-size limit: a damaged picture was left"
ok "file-size limit: a clear error, nothing left behind"

# The protocol (settings that cannot be converted cost one): beside the
# program, with the real date of the fault (not the one --clock shows) and
# the real system; never through a link that
# someone planted there, but in the per-user folder then.
settings_ini 'Speed=fast'
before=$(date +%m-%d-%Y)
"$EXE" --render "$WORK/p.png" --size 64x48 --seed 3 --clock '2001-02-03 04:05:06' || fail "protocol: status $?"
protocol="$WORK/app/sylvadra.EPT"
grep -q LoadConfig "$protocol" || fail "no protocol beside the program"
grep -q -e "$before" -e "$(date +%m-%d-%Y)" "$protocol" || fail "the protocol does not carry today's date"
! grep -q "02-03-2001" "$protocol" || fail "the protocol carries the date of --clock, not when the fault happened"
grep -q "$(uname -m)" "$protocol" || fail "the protocol does not carry the real system"
rm -f "$protocol"
echo precious > "$WORK/victim"
ln -s "$WORK/victim" "$protocol"
render "$WORK/p.png" || fail "planted protocol: status $?"
[ "$(cat "$WORK/victim")" = precious ] || fail "the protocol was written through a planted link"
grep -q LoadConfig "$XDG_DATA_HOME/sylvadra/sylvadra.EPT" || fail "the protocol is not in the per-user folder"
ok "protocol: beside the program with the real date and system, never through a planted link"

# Without HOME, with a relative XDG_DATA_HOME and the program's folder read
# only: the per-user folder is the one in the password database's home
# (a private tmpfs over it here), never a shared or relative folder.
if unshare -m true 2>/dev/null; then
  home=$(getent passwd "$(id -u)" | cut -d: -f6)
  mkdir -p "$WORK/ro"
  cp "$EXE_SRC" "$WORK/ro/sylvadra"
  (cd "$WORK" && env -u HOME XDG_DATA_HOME=relative XDG_CONFIG_HOME="$XDG_CONFIG_HOME" unshare -m bash -c "
    mount -t tmpfs tmpfs '$home' && mount --bind '$WORK/ro' '$WORK/ro' && mount -o remount,bind,ro '$WORK/ro' &&
    '$WORK/ro/sylvadra' --render '$WORK/h.png' --size 64x48 --seed 3 &&
    ls -a '$home/.local/share/sylvadra' > '$WORK/home-ls'") || fail "without HOME: status $?"
  grep -q sylvadra.EPT "$WORK/home-ls" 2>/dev/null || fail "without HOME: the protocol is not in the home folder"
  [ ! -e "$WORK/relative" ] && [ ! -e /tmp/.local/share/sylvadra ] || fail "without HOME: a relative or shared folder was used"
  ok "without HOME: the per-user folder is in the user's home from the password database"
else
  echo "skip: no mount namespace here, the case without HOME is not run"
fi
# A program installed in a system folder (a private tmpfs over /opt here),
# run by the folder's owner (root): its protocol goes to the per-user
# folder, never beside the program.
if unshare -m true 2>/dev/null && [ "$(id -u)" = 0 ]; then
  rm -f "$XDG_DATA_HOME/sylvadra/sylvadra.EPT"
  unshare -m bash -c "mount -t tmpfs tmpfs /opt && cp '$EXE_SRC' /opt/sylvadra &&
    /opt/sylvadra --render '$WORK/sys.png' --size 64x48 --seed 3; ls -a /opt > '$WORK/opt-ls'" ||
    fail "system folder: status $?"
  ! grep -q EPT "$WORK/opt-ls" || fail "a protocol was written into a system folder"
  grep -q LoadConfig "$XDG_DATA_HOME/sylvadra/sylvadra.EPT" || fail "system folder: no protocol in the per-user folder"
  ok "a program in a system folder run as root: its protocol is in the per-user folder"
fi
rm -f "$XDG_CONFIG_HOME/sylvadra/settings.ini"

# Too large for the memory: a clear error and a non-zero status, no abort.
# (AddressSanitizer reserves terabytes of shadow memory at the start, which
# no address-space limit allows: that build skips this case.)
if ldd "$EXE" 2>/dev/null | grep -q libasan; then
  echo "skip: the sanitized build cannot run under an address-space limit"
else
  out=$( (ulimit -v 3000000; "$EXE" --render "$WORK/huge.png" --size 16384x16384 --seed 1) 2>&1)
  status=$?
  [ $status = 1 ] || fail "a picture too large for the memory: status $status ($out)"
  echo "$out" | grep -qi "memory\|protocol" || fail "a picture too large for the memory: no clear message ($out)"
  [ ! -e "$WORK/huge.png" ] || fail "a picture too large for the memory was written"
  ok "a picture too large for the memory: status 1 ($out)"
fi

# Signals: a render ended by SIGINT or SIGTERM at any moment leaves no part
# of its file behind (large pictures, so that many signals fall into the
# writing).
for sig in INT TERM INT TERM INT TERM; do
  for d in 0.3 0.5 0.7 0.9; do
    "$EXE" --render "$WORK/sig.png" --size 4000x3000 --seed 2 & PID=$!
    sleep "$d"
    kill -$sig $PID 2>/dev/null
    wait_end $PID 100 || { kill -9 $PID; fail "SIG$sig after $d s: the render did not end"; }
    wait $PID
  done
done
no_parts "signals"
ok "signals: no part of a file left behind"
exit 0
