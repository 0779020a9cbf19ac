#!/usr/bin/env bash
# Takes a screenshot of every window and page under a virtual X server into
# build-test/screens/ (builds what is missing first).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=${MIRELAN_JOBS:-$(nproc)}
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O0" \
  -DMIRELAN_SANITIZE=ON >/dev/null
cmake --build build-test -j "$jobs" --target mirelan_screens
export ASAN_OPTIONS=detect_leaks=0
export QT_ENABLE_HIGHDPI_SCALING=0 LC_ALL=C.UTF-8
xvfb-run -a -s "-screen 0 1280x1024x24" build-test/tests/mirelan_screens build-test/screens
