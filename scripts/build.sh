#!/bin/sh
# Configures and builds the program, its tests and tools into build/.
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMORA_BENCH=OFF > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build --parallel 2 >> build.log 2>&1 || { tail -50 build.log; exit 1; }
