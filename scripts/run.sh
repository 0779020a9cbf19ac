#!/usr/bin/env bash
# Builds Mirelan (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELAN_TESTS=OFF -DMIRELAN_BENCH=OFF >/dev/null
cmake --build build --target mirelan
exec build/app/mirelan "$@"
