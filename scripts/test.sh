#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest; non-zero on any failure.
# Usage: test.sh [--sanitize]   (--sanitize: ASan + UBSan build in build-asan)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
dir="$root/build"
opts=()
if [ "${1:-}" = "--sanitize" ]; then
  dir="$root/build-asan"
  opts=(-DKUB_SANITIZE=ON -DKUB_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$root/scripts/build.sh" "$dir" "${opts[@]}"
cd "$dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
