#!/usr/bin/env bash
# Rewrites the stored images of the pixel tests (tests/game_e2e/golden/) and the tour's
# transcript (tests/game/tour.golden) from the current build. Run it only when the art or a
# screen changed on purpose, look at the new images and the transcript's diff, and commit them
# with the change that caused them.
#   scripts/update-goldens.sh [build directory, default build/]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target game_e2e_tests game_tests
# The test finds the generated data beside the executable, so it runs from bin/.
(cd "$build/bin" && KT_UPDATE_GOLDENS=1 ./game_e2e_tests)
(cd "$build/bin" && KT_UPDATE_GOLDENS=1 ./game_tests --gtest_filter='Tour.*')
git status --short tests/game_e2e/golden tests/game/tour.golden
