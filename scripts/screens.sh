#!/usr/bin/env bash
# Takes a screenshot of every window and page under a virtual X server into
# build-test/screens/ (builds what is missing first), and of the whole screen
# at a first start (no settings file) on screens of 1600 x 1200 and
# 1024 x 768 under a window manager: build-test/screens/first-start-*.png.
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
for size in 1600x1200 1024x768; do
  tests/gui/window_manager.sh "$size" "$PWD/build-test/tests/mirelan_screens" --first-start \
    "$PWD/build-test/screens/first-start-$size"
done
