#!/usr/bin/env bash
# Runs the pipeline benchmark the same way each time: a Release build of its own
# (build-bench), a fixed number of rounds, and the summary of medians and bests beside the
# goals. The machine's load is printed before and after, since wall-clock figures on a
# shared machine are only as quiet as the machine.
#
#   scripts/bench.sh                 # 5 rounds
#   BENCH_ROUNDS=9 scripts/bench.sh  # or as many as BENCH_ROUNDS says
#   scripts/bench.sh --benchmark_filter=GetDatabases   # extra arguments go to the bench
#
# The whole output is kept in build-bench/pipeline_bench.txt.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${BENCH_ROUNDS:-5}"
build="$root/build-bench"

. "$root/scripts/install-missing.sh"
"$root/scripts/install-dependencies.sh"
# The gSOAP peer: the code generator and its runtime library.
install_missing gsoap libgsoap-dev

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORSA_BUILD_TESTS=OFF -DDORSA_BUILD_TOOLS=OFF \
  -DDORSA_BUILD_EXAMPLES=OFF -DDORSA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"${BENCH_JOBS:-2}" --target pipeline_bench

{
  echo "load before: $(uptime)"
  "$build/bench/pipeline_bench" --benchmark_repetitions="$rounds" "$@"
  echo "load after: $(uptime)"
} 2>&1 | tee "$build/pipeline_bench.txt"
