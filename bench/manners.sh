#!/usr/bin/env bash
# Runs the seating benchmark (Miss Manners) through rulesh for several guest
# counts and prints wall time and peak memory. Build Release first:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build/release
# usage: bench/manners.sh [RULESH] [COUNTS...]   (default counts: 16 32 64)
set -euo pipefail
cd "$(dirname "$0")/.."
rulesh=${1:-build/release/shell/rulesh}
shift || true
counts=("${@:-16 32 64}")
shared=../shared/bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '(reset)\n(run)\n' > "$work/run.clp"
for n in ${counts[@]}; do
  python3 "$shared/gen_manners.py" "$n" > "$work/guests.clp"
  /usr/bin/time -f "manners $n guests: %e s wall, %M KB peak" \
    "$rulesh" "$shared/manners.clp" "$work/guests.clp" "$work/run.clp" > "$work/out.txt"
  echo "  rules fired: $(tail -n 1 "$work/out.txt")"
done
