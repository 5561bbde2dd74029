#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs each from its seed corpus for a short fixed time. A crash, a leak, a hang
# or a broken invariant fails the run; the input that did it is kept in build-fuzz/artifacts/.
#
#   tools/fuzz.sh                 every target, FUZZ_SECONDS (default 13) each
#   tools/fuzz.sh link profile    only these
#   FUZZ_SECONDS=660 tools/fuzz.sh version     a long local run
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-13}
targets=("$@")
((${#targets[@]})) || targets=(link profile translations version)

tools/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELTA_FUZZ=ON \
  -DQUELTA_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzzers

passed=0
failed=0
mkdir -p build-fuzz/artifacts
for t in "${targets[@]}"; do
  seeds=fuzz/corpus/$t
  work=build-fuzz/corpus/$t
  log=build-fuzz/fuzz-$t.log
  [[ -d $seeds ]] || { echo "no seed corpus $seeds" >&2; exit 2; }
  mkdir -p "$work"
  # New inputs go to the work corpus; the seeds in the repository stay as they are.
  if build-fuzz/fuzz/fuzz_$t "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
       -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$t-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$t: $runs runs in ${seconds}s, corpus $(ls "$work" | wc -l) inputs, no finding"
    passed=$((passed + 1))
  else
    echo "fuzz_$t: FAILED, see $log" >&2
    grep -E "invariant broken|ERROR|SUMMARY|Test unit written" "$log" >&2 || tail -30 "$log" >&2
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
