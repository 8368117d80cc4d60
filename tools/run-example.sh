#!/usr/bin/env bash
# Runs the main job on an example. The rule engine is not built yet: today the
# library holds the value model (values, multifield vectors, defined types),
# so this runs the value benchmark as the one program there is, after building.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target value_bench
echo "The engine cannot load and run a knowledge base yet; tools/test.sh builds and tests"
echo "what exists. Meanwhile, the value benchmark:"
build/release/bench/value_bench --benchmark_min_time=0.05
