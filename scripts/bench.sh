#!/usr/bin/env bash
# Builds the benchmarks (release) and runs them, or the ones named.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# MIRELAN_JOBS limits the parallel compile jobs (default: every core).
jobs=${MIRELAN_JOBS:-$(nproc)}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j "$jobs"
for b in build-bench/bench/bench_*; do
  name=$(basename "$b")
  if [ $# -eq 0 ] || [[ " $* " == *" ${name#bench_} "* ]]; then
    # The OpenGL and window benchmarks need a display: a virtual one when there is none.
    if [[ ("$name" == *GLBench || "$name" == *GuiBench || "$name" == bench_WholeProcessBench) && -z "${DISPLAY:-}" ]]; then
      xvfb-run -a -s "-screen 0 1280x1024x24" "$b"
    else
      "$b"
    fi
  fi
done
