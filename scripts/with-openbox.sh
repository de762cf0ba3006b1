#!/usr/bin/env bash
# Runs a command on the current X display (DISPLAY) under the openbox window manager, as a user's
# desktop would: window frames, stacking layers and focus come from a real window manager.
# Usage: with-openbox.sh COMMAND [ARGUMENTS...]; the exit status is the command's.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || { echo "with-openbox.sh: no DISPLAY" >&2; exit 2; }
config=$(mktemp -d)
openbox --sm-disable >"$config/openbox.log" 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true; wait "$wm" 2>/dev/null || true; rm -rf "$config"' EXIT
# The manager is ready once it has named its check window on the root window.
for _ in $(seq 1 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$wm" 2>/dev/null || { cat "$config/openbox.log" >&2; exit 2; }
  sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "with-openbox.sh: openbox did not start" >&2; exit 2; }
status=0
"$@" || status=$?
exit "$status"
