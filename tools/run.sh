#!/usr/bin/env bash
# The main job against the simulated base station: installs, builds, starts kivo-sim with
# twelve pads in a temporary data folder, then opens the window when there is a display, or
# else drives quelta-cli through a tour (full scan, next dive, an award typed on a pad, a
# 10-loop echo test) and prints its log and the echo report. Can be run again at any time.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUELTA_SANITIZE=OFF -DQUELTA_TESTS=OFF >/dev/null
cmake --build build-release -j2 --target quelta quelta-cli kivo-sim >/dev/null

work=$(mktemp -d)
sim_pid=""
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}" $sim_pid; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}" $sim_pid; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# A data folder and a lock of our own: nothing of a real installation is touched.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# The lowest COM number that no device of this machine stands for, so the scan meets the
# simulator before any real port.
com=""
for n in $(seq 1 50); do
  if ((n <= 10)); then dev=/dev/ttyUSB$((n - 1)); elif ((n <= 20)); then dev=/dev/ttyACM$((n - 11)); else dev=/dev/ttyS$((n - 21)); fi
  if [[ ! -e $dev ]]; then com=$n; break; fi
done
[[ -n $com ]] || { echo "run.sh: every COM number has a device here" >&2; exit 1; }

# Waits until a line from line number $2 on of file $1 matches $3 (grep -E), for up to $4 s.
wait_for() {
  local file=$1 from=$2 pattern=$3 seconds=$4
  local end=$((SECONDS + seconds))
  until tail -n +"$from" "$file" | grep -qE -- "$pattern"; do
    if ((SECONDS >= end)); then
      echo "run.sh: gave up waiting for: $pattern" >&2
      return 1
    fi
    sleep 0.1
  done
}
lines() { wc -l <"$1"; }

mkfifo "$work/sim.in"
build-release/sim/kivo-sim --com "$com" --pads 0123456789ac <"$work/sim.in" >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 7>"$work/sim.in"
wait_for "$work/sim.out" 1 "^ready COM$com\$" 10

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
  echo "kivo-sim serves a base station and twelve pads on COM$com."
  echo "In the window: Scans > Full Scan, then Next Dive or Echo Test."
  echo "A judge types an award with:  echo 'type 3 7.5' > $work/sim.in"
  build-release/app/quelta &
  pids+=($!)
  wait "${pids[0]}" || true
  exit 0
fi

echo "No display: a tour of quelta-cli against kivo-sim on COM$com."
out="$work/cli.out"
mkfifo "$work/cli.in"
: >"$out"
build-release/cli/quelta-cli <"$work/cli.in" >"$out" 2>&1 &
pids+=($!)
exec 8>"$work/cli.in"
# Its log as it comes; the "# {json}" events are for scripts.
tail --pid="${pids[0]}" -s 0.2 -n +1 -f "$out" | grep --line-buffered -v '^# ' &
log_reader=$!

mark=$(lines "$out")
echo fullscan >&8
wait_for "$out" "$((mark + 1))" '"event":"refresh".*"SpTBXItemEcho":true' 30

mark=$(lines "$out")
echo nextdive >&8
wait_for "$out" "$((mark + 1))" '"event":"refresh"' 10
# The judge of pad 3 types an award.
echo "type 3 7.5" >&7
wait_for "$out" "$((mark + 1))" '"event":"award","j":3,"text":"7.5"' 10

mark=$(lines "$out")
printf 'loops 10\necho\n' >&8
wait_for "$out" "$((mark + 1))" '"event":"progress","visible":false' 120
echo quit >&8
wait "${pids[0]}" || true
wait "$log_reader" || true

echo
echo "Awards:"
grep -E '^# \{"event":"award","j":[0-9]+,"text":".+"' "$out" | sed -E 's/.*"j":([0-9]+),"text":"([^"]*)".*/  J\1  \2/'
echo "Echo report: J, replies, resends, missed reads, missed sends (red: the last exchange needed a resend)"
tail -n +"$((mark + 1))" "$out" | grep -E '^# \{"event":"report"' |
  sed -E 's/.*"j":([0-9]+),"text":"([^"]*)","red":(true|false).*/\1\t\2\t\3/' |
  awk -F'\t' '{ text[$1] = $2; red[$1] = $3 } END { for (j = 0; j < 12; ++j) if (j in text) printf "  %s%s\n", text[j], red[j] == "true" ? "  red" : "" }'
