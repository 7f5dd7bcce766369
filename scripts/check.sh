#!/usr/bin/env bash
# Gives the bill-file reader a short fuzzing run, then builds Payvane with
# warnings as errors under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test. Before that, builds, installs and checks the Debian package
# (scripts/check-package.sh), so CTest's summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# A short coverage-guided run of the bill-file reader.
fuzz=build/fuzz
cmake -S . -B "$fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPAYVANE_FUZZ=ON -DBUILD_TESTING=OFF -DPAYVANE_BENCH=OFF
cmake --build "$fuzz" --target fuzz_loadevents
corpus=$(mktemp -d)
cp fuzz/corpus/* "$corpus"/
"$fuzz"/fuzz/fuzz_loadevents -max_total_time=30 -rss_limit_mb=2048 -max_len=4096 "$corpus"
rm -rf "$corpus"

bash scripts/check-package.sh

build=build/check
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DPAYVANE_SANITIZE=ON -DPAYVANE_WERROR=ON -DPAYVANE_BENCH=OFF
cmake --build "$build"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$build" --output-on-failure --timeout 600
