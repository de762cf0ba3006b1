#!/usr/bin/env bash
# Configures and builds into the given folder (default: build) with all cores.
# Usage: build.sh [build-dir] [extra cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$dir" -G Ninja "${launcher[@]}" "$@"
fi
# AUTOMOC's caches can miss classes in files that were added since the last build; when the
# set of source files has changed, their generated code is made anew.
list=$(cd "$root" && find src tests bench -name '*.h' -o -name '*.cpp' | sort | md5sum | cut -d' ' -f1)
if [ "$(cat "$dir/.kub-sources" 2>/dev/null)" != "$list" ]; then
  find "$dir" -maxdepth 3 -type d -name '*_autogen' -prune -exec rm -rf {} +
  echo "$list" > "$dir/.kub-sources"
fi
cmake --build "$dir" --parallel "${KUB_JOBS:-$(nproc)}"
