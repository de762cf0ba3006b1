#!/usr/bin/env bash
# Installs what is missing, builds and starts kubNEWSLETTER (under Xvfb when there is no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
program="$root/build/bin/kubNEWS"
# The preview's browser engine refuses to start as root without this.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting kubNEWSLETTER under xvfb-run (an invisible X server)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
fi
exec "$program"
