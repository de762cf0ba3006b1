#!/usr/bin/env bash
# Sending against the peers of ../shared/peers, measured side by side in one run: the C sink is
# built from sink.c and takes both sides' mails; product and peer alternate within each round
# (ROUNDS, default 3), and each row shows the medians and their ratio:
#   | what | product | peer | ratio |
# One row sets the small mails beside floor_client.c in mode rtt1 (one round trip per mail, the
# end of data pipelined with the next envelope): the floor a client can reach on this machine.
# The last sends small mails to bench/replies_apart_server.py, beside smtplib.
# Usage: bench/send_ratios.sh [build-dir]   (KUB_PEERS overrides the peers' folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
peers=${KUB_PEERS:-"$root/../shared/peers"}
rounds=${ROUNDS:-3}
python=/usr/bin/python3

cmake --build "$build" --parallel "${KUB_JOBS:-3}" --target bench_send_run bench_send_profile >&2
work=$(mktemp -d)
sink_pid=
apart_pid=
cleanup() {
  [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null || true
  [ -n "$apart_pid" ] && kill "$apart_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

gcc -O2 -Wall -Wextra -pthread -o "$work/sink" "$peers/sink.c"
gcc -O2 -pthread -o "$work/floor_client" "$peers/floor_client.c"
"$work/sink" --port 0 --port-file "$work/port" --seconds 3600 --quiet >"$work/sink.out" 2>&1 &
sink_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
# A server that writes each reply apart (bench/replies_apart_server.py): the client must not
# wait on its own delayed acknowledgements.
"$python" "$root/bench/replies_apart_server.py" "$work/apart_port" 3600 &
apart_pid=$!
for _ in $(seq 100); do [ -s "$work/apart_port" ] && break; sleep 0.1; done
apart_port=$(cat "$work/apart_port")
profile_mails=2000
"$python" "$peers/gen_profile.py" "$work/profile" -n "$profile_mails" >&2
# The floor client's mail: the size and shape of bench_send_run's small mail (header lines, an
# empty line, 1,200 bytes and more of quoted-printable text), CR LF, without the final ".".
"$python" - "$work/small.eml" <<'PY'
import sys
header = ("From: newsletter@schaefer-werkzeugbau.example\r\nTo: empfaenger000001@kunde.example\r\n"
          "Subject: =?iso-8859-1?Q?Newsletter_M=E4rz?=\r\nDate: Tue, 8 Dec 2026 10:11:12 +0100\r\n"
          "Message-ID: <0123456789abcdef0123456789abcdef@bench.example.org>\r\nMIME-Version: 1.0\r\n"
          "content-type: text/plain; charset=iso-8859-1\r\ncontent-transfer-encoding: quoted-printable\r\n\r\n")
lines = ("Sehr geehrte Damen und Herren, wir freuen uns, Ihnen die neueste Ausgabe unseres N=\r\n"
         "ewsletters zu schicken. Gr=FC=DFe aus M=FCnster!\r\n")
body = ""
while len(body) < 1200:
    body += lines
open(sys.argv[1], "wb").write((header + body).encode("ascii"))
PY

# The mails per second of one measurement: the number before " mails/s" in its output.
rate() { "$@" | sed -n 's/.*-> \([0-9.]*\) mails\/s.*/\1/p' | tail -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

names=("send small mails, one connection, to the C sink"
       "send small mails, reconnect every 100, to the C sink"
       "build and send profile mails end to end"
       "send small mails, one connection, beside floor_client rtt1 (goal: 0.50x)"
       "send small mails to a server that writes each reply apart")
product_cmd=("$build/bench/bench_send_run --port $port -n 10000"
             "$build/bench/bench_send_run --port $port -n 10000 --reconnect-every 100"
             "$build/bench/bench_send_profile --port $port --profile $work/profile -n $profile_mails"
             "$build/bench/bench_send_run --port $port -n 10000"
             "$build/bench/bench_send_run --port $apart_port -n 2000")
peer_cmd=("$python $peers/py_smtp_peer.py --port $port -n 10000"
          "$python $peers/py_smtp_peer.py --port $port -n 10000 --reconnect-every 100"
          "$python $peers/py_smtp_peer.py --port $port --profile $work/profile --inline -n $profile_mails"
          "$work/floor_client $port $work/small.eml 10000 rtt1 1"
          "$python $peers/py_smtp_peer.py --port $apart_port -n 2000 --auth none")
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
