#!/bin/sh
# /x ends at once, /a does nothing on this system family, /p with a handle
# that is no window ends by itself, and each time the screen-saver
# activation is what it was before the start.
. "$(dirname "$0")/lib.sh"

reset_settings
for switch in /x /a /p; do
  for before in 1 0; do
    set_activation "$before"
    start=$(date +%s.%N)
    case $switch in
      /x) start_saver /x ;;
      *) start_saver "$switch" 1234 ;;
    esac
    if wait_saver_end 30; then
      took=$(echo "$(date +%s.%N) $start" | awk '{ printf "%.1f", $1 - $2 }')
      log "$switch ended after ${took}s (Wine's own start-up included)"
    else
      fail "$switch did not end within 30 s"
      continue
    fi
    after=$(activation)
    log "$switch: activation $before before, $after after"
    [ "$after" = "$before" ] || fail "$switch left the activation at '$after', it was $before"
  done
done
finish
