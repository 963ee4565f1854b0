#!/bin/sh
# Configures and builds the program, its tests and tools into build/.
set -eu
cd "$(dirname "$0")/.."
# Line tables are all a backtrace needs, and much cheaper to build; the
# package strips them anyway.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" -DZELMORA_BENCH=OFF > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build --parallel 2 >> build.log 2>&1 || { tail -50 build.log; exit 1; }
