#!/usr/bin/env bash
# Rewrites the stored images of the pixel tests (tests/game_e2e/golden/) from the current
# build. Run it only when the art or a screen changed on purpose, look at the new images, and
# commit them with the change that caused them.
#   scripts/update-goldens.sh [build directory, default build/]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target game_e2e_tests
# The test finds the generated data beside the executable, so it runs from bin/.
(cd "$build/bin" && KT_UPDATE_GOLDENS=1 ./game_e2e_tests)
git status --short tests/game_e2e/golden
