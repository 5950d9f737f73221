# sway's headless compositor for the end-to-end tests, run as an ordinary
# user the test creates (sway refuses root). Source after lib.bash.
#   start_sway OUTPUTS CONFIG
# starts it with OUTPUTS headless outputs and the given configuration, and
# sets USR, UWORK (the user's home, with app/sylvadra, runtime, config and
# data), SWAYSOCK and WL; as_user and in_sway run a command as that user
# (in_sway with sway's display and socket); collect gathers the user's
# sanitizer reports. Without root (or useradd) the script ends, skipped.
start_sway() {
  if [ "$(id -u)" != 0 ] || ! command -v useradd >/dev/null; then
    echo "sway: skipped (it refuses root, and only root can make a user for it)"
    exit 0
  fi
  USR="syle2e$$"
  UWORK="$WORK/user"
  useradd -M -d "$UWORK" -s /usr/sbin/nologin "$USR" || fail "cannot add a user"
  trap end_user EXIT
  chmod 711 "$WORK"
  mkdir -p "$UWORK/app" "$UWORK/runtime" "$UWORK/config" "$UWORK/data"
  chmod 700 "$UWORK/runtime"
  cp "$EXE" "$UWORK/app/sylvadra"
  chown -R "$USR" "$UWORK"
  launch_sway "$@"
}
# A sway of the user's with OUTPUTS outputs and CONFIG, in place of the one
# running (if any).
launch_sway() {
  if pgrep -u "$USR" -x sway >/dev/null; then
    pkill -u "$USR" -x sway
    wait_until 50 eval '! pgrep -u "$USR" -x sway >/dev/null' || fail "sway did not end"
    rm -f "$UWORK"/runtime/sway-ipc.*.sock "$UWORK"/runtime/wayland-*
  fi
  printf '%s\n' "$2" >"$UWORK/sway.conf"
  chown "$USR" "$UWORK/sway.conf"
  as_user WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$1" WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -d -c "$UWORK/sway.conf" >"$WORK/sway.log" 2>&1 &
  wait_until 100 eval 'ls "$UWORK"/runtime/sway-ipc.*.sock >/dev/null 2>&1' ||
    fail "sway did not start: $(tail -5 "$WORK/sway.log")"
  SWAYSOCK=$(ls "$UWORK"/runtime/sway-ipc.*.sock)
  WL=$(cd "$UWORK/runtime" && ls wayland-* | grep -v lock | head -1)
}
end_user() {
  local s=$?
  local p
  for p in $(pgrep -u "$USR"); do kill "$p" 2>/dev/null; done
  for _ in $(seq 50); do pgrep -u "$USR" >/dev/null || break; sleep 0.1; done
  userdel "$USR" 2>/dev/null
  (exit $s)
  cleanup
}
as_user() {
  runuser -u "$USR" -- env -i PATH=/usr/bin:/bin HOME="$UWORK" XDG_RUNTIME_DIR="$UWORK/runtime" \
    XDG_CONFIG_HOME="$UWORK/config" XDG_DATA_HOME="$UWORK/data" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:log_path=$UWORK/sanitizer" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:log_path=$UWORK/sanitizer" \
    LSAN_OPTIONS="${LSAN_OPTIONS:-}" "$@"
}
in_sway() { as_user WAYLAND_DISPLAY="$WL" SWAYSOCK="$SWAYSOCK" "$@"; }
# The user's sanitizer reports join the test's own.
collect() { cp "$UWORK"/sanitizer.* "$WORK/" 2>/dev/null; true; }
