#!/bin/sh
# Runs the compare benchmark (see compare_bench.py for its settings), e.g.
#   BENCH_SCALE=0.1 BENCH_RUNS=3 bench/run.sh
exec python3 "$(dirname "$0")/compare_bench.py" "$@"
