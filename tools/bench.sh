#!/usr/bin/env bash
# Builds the Release configuration with the benchmarks and runs them: timing fidelity on a
# pseudo-terminal (twice: other work on the machine disturbs it, report the quieter run), the
# log pane at a million lines, start-up to the first shown window, and idle cost.
#
#     tools/bench.sh [--loops N]     echo test loops of the timing run (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
loops=20
if [[ "${1:-}" == "--loops" && -n "${2:-}" ]]; then
  loops=$2
fi
tools/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUELTA_TESTS=OFF -DQUELTA_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target timing-bench logpane-bench startup-bench idle-bench
bench=build-bench/bench
echo "== $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -r), $(date -Iseconds)"
echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for run in 1 2; do
  echo "== timing, run $run (load $(cut -d' ' -f1-3 /proc/loadavg))"
  "$bench/timing-bench" --loops "$loops"
done
echo "== log pane"
QT_QPA_PLATFORM=offscreen "$bench/logpane-bench"
echo "== start-up"
QT_QPA_PLATFORM=offscreen "$bench/startup-bench" --runs 10
echo "== idle on the virtual loop"
"$bench/idle-bench"
