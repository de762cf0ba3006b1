#!/usr/bin/env bash
# Starts kubNEWSLETTER under Xvfb with a temporary registry and work folder and saves a PNG.
# Usage: screenshot.sh [WINDOW] [OUT.png]
#   WINDOW: main (default: the real program, started as a user starts it), about, splash,
#           menu (the main window with a menu and its sub-menu open),
#           settings, connection (the settings dialog's two pages), picker (the folder picker),
#           backup (the progress window of backup and restore), restore (the archive picker),
#           logview (the log viewer with a sample log), logs (the log manager),
#           print (the viewer's print options), preview (the viewer's print preview),
#           template (the template dialog with its preview)
#   OUT:    default screenshot-WINDOW.png in the current folder
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
window=${1:-main}
out=$(realpath -m "${2:-screenshot-$window.png}")
build="$root/build"

# Under Xvfb the script runs again as its own inner part, with the environment already set.
if [ "${KUBSHOT_INSIDE:-}" = 1 ]; then
  if [ "$window" = main ]; then
    "$build/bin/kubNEWS" &
    program=$!
    "$build/tests/kubshot" screen "$out" 3
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
  else
    "$build/tests/kubshot" "$window" "$out"
  fi
  exit 0
fi

[ -x "$build/bin/kubNEWS" ] && [ -x "$build/tests/kubshot" ] || "$root/scripts/build.sh" "$build"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/run"
chmod 700 "$scratch/run"
cat > "$scratch/registry.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]
"DFUE"=dword:00000001
"MAO"=dword:00000000
"ImportPath"="$scratch/home"
"TemplatePath"="$scratch/home/Templates"

[HKEY_LOCAL_MACHINE\\Software\\KUB\\News\\Database]
"DBPath"="$scratch/home/Datenbank"
REG
export KUBNEWS_REGISTRY="$scratch/registry.reg" KUBNEWS_HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run"
export QT_QPA_PLATFORM=xcb KUBSHOT_INSIDE=1
# The preview's browser engine refuses to start as root without this.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1280x1024x24 -br" "$0" "$window" "$out"
echo "$out"
