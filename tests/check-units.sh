#!/bin/sh
# The systemd user units of the daily wallpaper, of the wallpaper of the
# time of day and of the animated
# background pass `systemd-analyze verify`
# as the user's service manager would load them, with ExecStart= naming the
# program built here (installing names the installed one the same way). No
# running systemd is needed (a container, CI as root): the user manager's
# runtime folder and home are the test's own. Skipped (77) without
# systemd-analyze (Debian package systemd).
# Arguments: the sylvadra executable, the packaging folder.
exe=$1 packaging=$2
command -v systemd-analyze >/dev/null || { echo "SKIP: systemd-analyze is missing"; exit 77; }
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/units" "$work/home"
for service in sylvadra-wallpaper.service sylvadra-wallpaper-daynight.service sylvadra-background.service; do
  sed "s|^ExecStart=/usr/bin/sylvadra |ExecStart=$exe |" "$packaging/$service" > "$work/units/$service"
done
cp "$packaging/sylvadra-wallpaper.timer" "$packaging/sylvadra-wallpaper-daynight.timer" "$work/units/"
status=0
fail() { echo "FAIL: $*"; status=1; }
grep -qx "ExecStart=$exe --set-wallpaper" "$work/units/sylvadra-wallpaper.service" ||
  fail "the service does not run /usr/bin/sylvadra --set-wallpaper (which installing rewrites)"
grep -qx "ExecStart=$exe --set-wallpaper --day-night" "$work/units/sylvadra-wallpaper-daynight.service" ||
  fail "the day-and-night service does not run /usr/bin/sylvadra --set-wallpaper --day-night"
grep -qx "ExecStart=$exe --background" "$work/units/sylvadra-background.service" ||
  fail "the background service does not run /usr/bin/sylvadra --background (which installing rewrites)"
out=$(cd "$work/units" && HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" \
  systemd-analyze verify --user --man=no sylvadra-wallpaper.service sylvadra-wallpaper.timer \
    sylvadra-wallpaper-daynight.service sylvadra-wallpaper-daynight.timer sylvadra-background.service 2>&1) ||
  fail "systemd-analyze verify failed"
# A line it cannot parse is only a warning to it, and a fault here.
[ -z "$out" ] || fail "systemd-analyze verify complains: $out"
[ $status = 0 ] && echo "ok: the wallpaper's, the day-and-night wallpaper's and the background's units verified"
exit $status
