#!/usr/bin/env bash
# Runs the main job on an example. There is no shell and the engine has no
# built-in functions yet, so no knowledge base can be run from the command
# line; this runs the value benchmark, the one program there is, after building.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target value_bench
echo "No shell and no built-in functions yet, so no knowledge base runs from the command line;"
echo "tools/test.sh builds and tests what exists. Meanwhile, the value benchmark:"
build/release/bench/value_bench --benchmark_min_time=0.05
