#!/usr/bin/env bash
# Sending against the peers of ../shared/peers, measured side by side in one run: the C sink is
# built from sink.c and takes both sides' mails; product and peer alternate within each round
# (ROUNDS, default 3), and each row shows the medians and their ratio:
#   | what | product | peer | ratio |
# Usage: bench/send_ratios.sh [build-dir]   (PEERS overrides the peers' folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
peers=${PEERS:-"$root/../shared/peers"}
rounds=${ROUNDS:-3}
python=/usr/bin/python3

cmake --build "$build" --parallel "${KUB_JOBS:-3}" --target bench_send_run bench_send_profile >&2
work=$(mktemp -d)
sink_pid=
cleanup() {
  [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

gcc -O2 -Wall -Wextra -pthread -o "$work/sink" "$peers/sink.c"
"$work/sink" --port 0 --port-file "$work/port" --seconds 3600 --quiet >"$work/sink.out" 2>&1 &
sink_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
profile_mails=2000
"$python" "$peers/gen_profile.py" "$work/profile" -n "$profile_mails" >&2

# The mails per second of one measurement: the number before " mails/s" in its output.
rate() { "$@" | sed -n 's/.*-> \([0-9.]*\) mails\/s.*/\1/p' | tail -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

names=("send small mails, one connection, to the C sink"
       "send small mails, reconnect every 100, to the C sink"
       "build and send profile mails end to end")
product_cmd=("$build/bench/bench_send_run --port $port -n 10000"
             "$build/bench/bench_send_run --port $port -n 10000 --reconnect-every 100"
             "$build/bench/bench_send_profile --port $port --profile $work/profile -n $profile_mails")
peer_cmd=("$python $peers/py_smtp_peer.py --port $port -n 10000"
          "$python $peers/py_smtp_peer.py --port $port -n 10000 --reconnect-every 100"
          "$python $peers/py_smtp_peer.py --port $port --profile $work/profile --inline -n $profile_mails")
declare -A product peer
for round in $(seq "$rounds"); do
  for i in "${!names[@]}"; do
    # Who goes first alternates from round to round.
    if (( round % 2 )); then
      p=$(rate ${product_cmd[$i]}); q=$(rate ${peer_cmd[$i]})
    else
      q=$(rate ${peer_cmd[$i]}); p=$(rate ${product_cmd[$i]})
    fi
    product[$i]="${product[$i]:-} $p"
    peer[$i]="${peer[$i]:-} $q"
    echo "round $round: ${names[$i]}: product $p, peer $q mails/s" >&2
  done
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores, $rounds rounds" >&2
for i in "${!names[@]}"; do
  # shellcheck disable=SC2086
  p=$(median ${product[$i]}); q=$(median ${peer[$i]})
  awk -v what="${names[$i]}" -v p="$p" -v q="$q" \
    'BEGIN { printf "| %s | %.0f mails/s | %.0f mails/s | %.2fx |\n", what, p, q, (q > 0 ? p / q : 0) }'
done
