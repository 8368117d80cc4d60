#!/usr/bin/env bash
# Runs the main job on an example: builds the rulesh shell and runs the
# animal-classification knowledge base, answering its questions from a pipe.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target rulesh
echo "--- rulesh examples/animals.clp, answering yes, no, yes"
printf 'yes\nno\nyes\n' | build/release/shell/rulesh examples/animals.clp
