#!/bin/bash
# The program as an xscreensaver display mode: the real xscreensaver daemon,
# configured to run it, is activated with xscreensaver-command; our
# landscape must fill the screen, and when xscreensaver stops it the
# wallpaper is left behind unless the programs line says --no-wallpaper.
# xscreensaver runs no display mode as root, so the X server, the daemon and
# the program run as an unprivileged user that the test creates. Without
# root to create that user the test is skipped (exit 77).
OWN_X_SERVER=1
. "$(dirname "$0")/lib.bash"

XS_USER=sylvadra-xs
SKIP=77
for tool in xscreensaver xscreensaver-command runuser; do
  command -v "$tool" >/dev/null || fail "$tool is missing (make deps installs it)"
done
if ! getent passwd "$XS_USER" >/dev/null; then
  if [ "$(id -u)" != 0 ]; then
    echo "SKIP: user $XS_USER is missing and only root can create it"
    exit $SKIP
  fi
  # A system account without a home or a login; a run beside this one may
  # have created it in the meantime.
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
          --comment "Sylvadra xscreensaver test" "$XS_USER" 2>/dev/null || getent passwd "$XS_USER" >/dev/null ||
    fail "cannot create user $XS_USER"
fi
if [ "$(id -u)" != 0 ] && [ "$(id -un)" != "$XS_USER" ]; then
  echo "SKIP: only root can run programs as $XS_USER"
  exit $SKIP
fi

# The user's home, settings and data inside the test's folder; the program
# is read-only for the user, so its wallpaper goes to the user's data folder.
chmod 755 "$WORK"
XS_HOME="$WORK/xs-home"
mkdir -p "$XS_HOME/.config" "$XS_HOME/.local/share"
chown -R "$XS_USER" "$XS_HOME"
WALLPAPER="$XS_HOME/.local/share/sylvadra/Sylvadra.bmp"
mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix

DISP=$(free_display) || fail "no free display number"
export DISPLAY=":$DISP"
as_user() {
  runuser -u "$XS_USER" -- env -i PATH="$PATH" HOME="$XS_HOME" DISPLAY="$DISPLAY" \
    XDG_CONFIG_HOME="$XS_HOME/.config" XDG_DATA_HOME="$XS_HOME/.local/share" "$@"
}

# Every process started here, by its id (written by the process itself).
DAEMON_PID=
stop_all() {
  [ -n "$DAEMON_PID" ] && kill "$DAEMON_PID" 2>/dev/null
  for _ in $(seq 30); do pgrep -u "$XS_USER" -f "$WORK/app/sylvadra" >/dev/null || break; sleep 0.1; done
}
trap 'st=$?; stop_all; (exit $st); cleanup' EXIT

as_user sh -c 'echo $$ > "$0"; exec Xvfb "$1" -screen 0 "$2" -nolisten tcp' \
  "$XS_HOME/xvfb.pid" ":$DISP" "${SCREEN_W}x${SCREEN_H}x24" >"$WORK/xvfb.log" 2>&1 &
for _ in $(seq 50); do [ -s "$XS_HOME/xvfb.pid" ] && break; sleep 0.1; done
XVFB_PID=$(cat "$XS_HOME/xvfb.pid")
wait_x || fail "Xvfb did not start as $XS_USER: $(cat "$WORK/xvfb.log")"

# xscreensaver's configuration: one display mode, ours, and no locking.
write_config() {
  cat > "$XS_HOME/.xscreensaver" <<EOF
timeout:	1:00:00
cycle:		1:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
mode:		one
selected:	0
programs:	"Sylvadra"  $EXE --root $1  \n
EOF
  chown "$XS_USER" "$XS_HOME/.xscreensaver"
}

start_daemon() {
  as_user sh -c 'echo $$ > "$0"; exec xscreensaver -no-splash -verbose' "$XS_HOME/daemon.pid" \
    >>"$WORK/xscreensaver.log" 2>&1 &
  for _ in $(seq 50); do [ -s "$XS_HOME/daemon.pid" ] && break; sleep 0.1; done
  DAEMON_PID=$(cat "$XS_HOME/daemon.pid")
  for _ in $(seq 100); do as_user xscreensaver-command -version >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "the xscreensaver daemon does not answer: $(tail -5 "$WORK/xscreensaver.log")"
}

stop_daemon() {
  kill "$DAEMON_PID" 2>/dev/null
  for _ in $(seq 50); do alive "$DAEMON_PID" || break; sleep 0.1; done
  rm -f "$XS_HOME/daemon.pid"
  DAEMON_PID=
}

# Our program's process (not a shell that starts it).
hack_pid() {
  for p in $(pgrep -u "$XS_USER" -f "$WORK/app/sylvadra"); do
    [ "$(cat /proc/"$p"/comm 2>/dev/null)" = sylvadra ] && { echo "$p"; return 0; }
  done
  return 1
}

# Waits for the landscape: sky at the top (blue above red), not black, and
# a picture rather than a plain colour.
wait_landscape() {
  for _ in $(seq 100); do
    shot "$WORK/xs.png"
    set -- $(mean_rgb "$WORK/xs.png" "${SCREEN_W}x40+0+0")
    if [ "${3:-0}" -gt 60 ] && [ "${3:-0}" -gt "${1:-0}" ]; then
      colours=$(convert "$WORK/xs.png" -format '%k' info:)
      [ "$colours" -gt 200 ] && return 0
    fi
    sleep 0.2
  done
  return 1
}

# 1. The landscape under xscreensaver; stopped by xscreensaver, it leaves
#    the wallpaper at the screen's size.
write_config "--seed 3"
start_daemon
as_user xscreensaver-command -activate >/dev/null || fail "xscreensaver-command -activate"
wait_landscape || fail "no landscape under xscreensaver ($(mean_rgb "$WORK/xs.png" "${SCREEN_W}x40+0+0")); $(tail -5 "$WORK/xscreensaver.log")"
HACK=$(hack_pid)
[ -n "$HACK" ] || fail "our program is not running"
grep -q "XSCREENSAVER_WINDOW" /proc/"$HACK"/environ 2>/dev/null || fail "xscreensaver gave no window to draw into"
ok "landscape under xscreensaver (top $(mean_rgb "$WORK/xs.png" "${SCREEN_W}x40+0+0"), $colours colours)"
# It animates inside xscreensaver's window.
sleep 1.5
shot "$WORK/xs2.png"
d=$(differing "$WORK/xs.png" "$WORK/xs2.png" "${SCREEN_W}x$((SCREEN_H / 4))+0+0")
[ "${d:-0}" -gt 0 ] || fail "the clouds do not move under xscreensaver"
ok "clouds moved ($d pixels)"
as_user xscreensaver-command -deactivate >/dev/null || fail "xscreensaver-command -deactivate"
wait_end "$HACK" 100 || fail "our program did not end when xscreensaver stopped it"
[ -f "$WALLPAPER" ] || { tail -20 "$WORK/xscreensaver.log"; fail "no wallpaper left when xscreensaver stopped the program"; }
size=$(identify -format '%wx%h' "$WALLPAPER")
[ "$size" = "${SCREEN_W}x${SCREEN_H}" ] || fail "the wallpaper is $size"
ok "ended by xscreensaver, wallpaper left at $size"
stop_daemon

# 2. The options of the programs line reach the program: --no-wallpaper.
rm -f "$WALLPAPER"
write_config "--seed 4 --no-wallpaper --speed 10"
start_daemon
as_user xscreensaver-command -activate >/dev/null || fail "xscreensaver-command -activate (2)"
wait_landscape || fail "no landscape the second time"
HACK=$(hack_pid)
tr '\0' ' ' < /proc/"$HACK"/cmdline | grep -q -- "--no-wallpaper" || fail "the options did not reach the program"
as_user xscreensaver-command -deactivate >/dev/null
wait_end "$HACK" 100 || fail "our program did not end the second time"
[ -f "$WALLPAPER" ] && fail "wallpaper written with --no-wallpaper"
ok "--no-wallpaper from the programs line is obeyed"
exit 0
