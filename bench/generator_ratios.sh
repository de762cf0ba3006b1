#!/usr/bin/env bash
# Builds the mails of the peers' benchmark profile (text + HTML with placeholders, three inline
# pictures) with the product's generator and SMTP stuffer, and with Python's email package in
# its best case (pictures encoded once, py_mime_peer.py --preencode), interleaved round by
# round, and prints Markdown table rows "| what | product | peer | ratio |" with the medians.
#
# Usage: bench/generator_ratios.sh [build-dir]
# Environment: ROUNDS (3), MAILS (product mails per round, 10000), PEER_MAILS (2000),
# KUB_PEERS (the peers' folder, ../shared/peers beside the checkout).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
peers=${KUB_PEERS:-"$root/../shared/peers"}
rounds=${ROUNDS:-3}
mails=${MAILS:-10000}
peer_mails=${PEER_MAILS:-2000}
python=/usr/bin/python3

cmake --build "$build" --parallel "${KUB_JOBS:-3}" --target bench_generator >/dev/null
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
"$python" "$peers/gen_profile.py" "$profile" -n "$mails" >/dev/null

product_rates=() first_rates=() peer_rates=()
for round in $(seq "$rounds"); do
  product=$("$build/bench/bench_generator" "$profile")
  peer=$("$python" "$peers/py_mime_peer.py" "$profile" --preencode -n "$peer_mails")
  product_rates+=("$(sed -n 's|^mails: .*: \([0-9.]*\) mails/s.*|\1|p' <<<"$product")")
  first_rates+=("$(sed -n 's|^first 1000 mails: \([0-9.]*\) mails/s|\1|p' <<<"$product")")
  peer_rates+=("$(sed -n 's|.*-> \([0-9.]*\) mails/s.*|\1|p' <<<"$peer")")
  echo "round $round: product ${product_rates[-1]} mails/s, peer ${peer_rates[-1]} mails/s," \
       "load $(cut -d' ' -f1 /proc/loadavg)" >&2
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
product=$(median "${product_rates[@]}")
first=$(median "${first_rates[@]}")
peer=$(median "${peer_rates[@]}")
echo "medians of $rounds rounds on $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
awk -v p="$product" -v f="$first" -v q="$peer" -v n="$mails" 'BEGIN {
  printf "| build + serialise profile mails (layout 4), one core | %.0f mails/s | %.0f mails/s (Python email, pre-encoded images) | %.1fx |\n", p, q, p / q
  printf "| the same, first 1,000 of %d mails (cost per mail stays flat) | %.0f mails/s | | %.2fx of all |\n", n, f, f / p
}'
