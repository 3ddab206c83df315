#!/usr/bin/env bash
# Renders screens of the game (menu, board, pause, options, game over, credits) to 640 x 480
# PNG files in docs/gallery/ through the real renderer on a private Xvfb, the game driven by
# scripted keys on a fake clock, so the pictures only change when the game or its art does.
#   scripts/gallery.sh [build directory, default build/]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target game_gallery
out=$(pwd)/docs/gallery
mkdir -p "$out"
# The program finds the generated data beside the executable, so it runs from bin/.
(cd "$build/bin" && ./game_gallery "$out" | grep '\.png$')
git status --short docs/gallery
