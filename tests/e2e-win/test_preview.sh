#!/bin/sh
# /P <host>: the preview fills the client area of a host window of another
# process with the preview picture, and ends when the host destroys its
# window; the activation is what it was before.
. "$(dirname "$0")/lib.sh"

reset_settings
set_activation 1

"$WINE" "$PREVHOST" preview "$SCR" "$WORK/go" 200 150 >"$WORK/host.log" 2>&1 &
HOST_PID=$!
child_or_end() { grep -q '^CHILD' "$WORK/host.log" 2>/dev/null || ! kill -0 $HOST_PID 2>/dev/null; }
wait_until 90 child_or_end
if ! grep -q '^CHILD' "$WORK/host.log" 2>/dev/null; then
  fail "the test host reported no child window"
  cat "$WORK/host.log"
  touch "$WORK/go"
  finish
fi
tr -d '\r' <"$WORK/host.log" | sed 's/^/host: /'
set -- $(tr -d '\r' <"$WORK/host.log" | sed -n 's/^HOST //p')
hx=$1 hy=$2 hw=$3 hh=$4
set -- $(tr -d '\r' <"$WORK/host.log" | sed -n 's/^CHILD //p')
[ "$1" = 1 ] || fail "the preview is not a visible child of the host filling its client area ($*)"

# The host's area shows the preview picture once the preview has painted.
preview_painted() {
  shot preview
  convert "$WORK/preview.png" -crop "${hw}x${hh}+${hx}+${hy}" +repage "$WORK/preview-area.png"
  magenta=$(convert "$WORK/preview-area.png" -fx '(r>0.9&&g<0.1&&b>0.9)?1:0' -format '%[fx:mean*w*h]' info: |
            awk '{ printf "%d\n", $1 }')
  [ "${magenta:-1}" -eq 0 ]
}
wait_until 30 preview_painted
spread=$(convert "$WORK/preview-area.png" -colorspace gray -format '%[fx:standard_deviation]' info:)
top=$(region_means "$WORK/preview-area.png" "${hw}x$((hh / 10))+0+0")
log "host area: $magenta host-coloured pixels, grey spread $spread, top rows $top"
[ "${magenta:-1}" -eq 0 ] || fail "$magenta pixels of the host's own colour are not covered by the preview"
echo "$spread" | awk '{ exit !($1 > 0.05) }' || fail "the host area shows no picture"
echo "$top" | awk '{ exit !($3 > 0.45 && $3 > $1 + 0.1) }' || fail "no sky in the top rows of the preview"

touch "$WORK/go"
host_done() { ! kill -0 $HOST_PID 2>/dev/null; }
wait_until 60 host_done || { fail "the test host did not finish"; kill $HOST_PID; }
wait $HOST_PID
status=$?
set -- $(tr -d '\r' <"$WORK/host.log" | sed -n 's/^EXIT //p')
log "preview ended with code ${1:-?} ${2:-?} ms after the host began destroying its window (${3:-?} ms in DestroyWindow)"
[ "$status" = 0 ] && [ "$1" = 0 ] || fail "the preview did not end with the host's window (status $status)"

a=$(activation)
log "activation afterwards: $a"
[ "$a" = 1 ] || fail "the preview left the activation at '$a', it was 1"
finish
