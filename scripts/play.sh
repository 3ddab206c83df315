#!/usr/bin/env bash
# Installs what is missing, builds the game in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKT_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target cobblevale
exec build/bin/cobblevale "$@"
