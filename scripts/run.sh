#!/usr/bin/env bash
# Builds Payvane and starts it; arguments are passed on (for example "auto").
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DPAYVANE_BENCH=OFF
cmake --build build/release
exec build/release/app/Payvane "$@"
