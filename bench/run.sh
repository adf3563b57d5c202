#!/bin/sh
# Runs the compare benchmark; `bench/run.sh --help` lists the shapes and options, e.g.
#   BENCH_SCALE=0.1 bench/run.sh --shapes "small large"
exec python3 "$(dirname "$0")/compare_bench.py" "$@"
