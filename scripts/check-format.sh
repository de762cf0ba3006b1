#!/usr/bin/env bash
# Checks that every C++ file of src, tests and bench agrees with .clang-format; names the places
# that do not. Non-zero when one does not.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z | xargs -0 clang-format --dry-run --Werror
