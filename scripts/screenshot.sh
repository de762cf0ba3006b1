#!/usr/bin/env bash
# Starts kubNEWSLETTER under Xvfb with a temporary registry and work folder and saves a PNG.
# Usage: screenshot.sh [WINDOW] [OUT.png]
#   WINDOW: main (default: the real program, started as a user starts it the first time), about, splash,
#           menu (the main window with a menu and its sub-menu open),
#           settings, connection (the settings dialog's two pages), picker (the folder picker),
#           backup (the progress window of backup and restore), restore (the archive picker),
#           logview (the log viewer with a sample log), logs (the log manager),
#           print (the viewer's print options), preview (the viewer's print preview),
#           template (the template dialog with its preview), filedialog (Qt's file dialog, detail view),
#           status (a send run's status window after its log filled up),
#           importcheck (the import's preview with its notes on quotes),
#           walk (every window of the acceptance walk, one PNG each, into the folder OUT),
#           nodatabase (the real program started without its database folder, under the openbox
#           window manager: the screen while the start's box is up)
#   OUT:    default screenshot-WINDOW.png in the current folder (for walk: the folder walk-shots)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
window=${1:-main}
default_out=screenshot-$window.png
[ "$window" = walk ] && default_out=walk-shots
out=$(realpath -m "${2:-$default_out}")
build="$root/build"

# Under Xvfb the script runs again as its own inner part, with the environment already set.
if [ "${KUBSHOT_INSIDE:-}" = 1 ]; then
  if [ "$window" = walk ]; then
    KUB_WALK_SHOTS="$out" "$build/tests/test_acceptance" >/dev/null
  elif [ "$window" = nodatabase ]; then
    "$build/bin/kubNEWS" &
    program=$!
    "$build/tests/kubshot" screen "$out" 3
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
  elif [ "$window" = main ]; then
    # As on a fresh account: the first start provisions settings and database itself.
    env -u KUBNEWS_REGISTRY -u KUBNEWS_HOME HOME="$KUBSHOT_SCRATCH/fresh" \
      XDG_CONFIG_HOME="$KUBSHOT_SCRATCH/fresh/.config" XDG_DATA_HOME="$KUBSHOT_SCRATCH/fresh/.local/share" \
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

[ -x "$build/bin/kubNEWS" ] && [ -x "$build/tests/kubshot" ] && [ -x "$build/tests/test_acceptance" ] ||
  "$root/scripts/build.sh" "$build"
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
export QT_QPA_PLATFORM=xcb KUBSHOT_INSIDE=1 KUBSHOT_SCRATCH="$scratch"
# The preview's browser engine refuses to start as root without this.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
manager=()
[ "$window" = nodatabase ] && manager=("$root/scripts/with-openbox.sh")
xvfb-run -a -s "-screen 0 1280x1024x24 -br" "${manager[@]}" "$0" "$window" "$out"
echo "$out"
