#!/usr/bin/env bash
# Runs the fact-churn benchmark (100,000 facts asserted and retracted through
# 20 rules) through rulesh and prints wall time and peak memory. Build
# Release first (see manners.sh).
# usage: bench/churn.sh [RULESH] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
rulesh=${1:-build/release/shell/rulesh}
runs=${2:-3}
for ((i = 1; i <= runs; i++)); do
  /usr/bin/time -f "churn run $i: %e s wall, %U s user, %M KB peak" "$rulesh" bench/churn.clp | tail -n 1
done
