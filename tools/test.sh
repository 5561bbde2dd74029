#!/usr/bin/env bash
# Installs, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUELTA_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
cd build-asan
ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j2 --timeout 300
../tools/fuzz.sh
