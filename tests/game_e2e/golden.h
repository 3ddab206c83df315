// Comparing a rendered frame with its stored golden image.
//
// Tolerance: a pixel differs when any channel is more than 8 away from the golden; the frame
// fails when more than 0.5% of its pixels differ. Mesa gives the same pixels run after run on
// one machine; the slack absorbs rounding changes between Mesa versions, while a moved dot, a
// missing panel or a wrong art level changes far more pixels.
//
// With KT_UPDATE_GOLDENS=1 the frame is written as the golden instead (scripts/update-goldens.sh);
// do that only when the art or the screen changed on purpose. On a mismatch the frame is written
// as actual-<name> in the working directory for inspection.
#pragma once

#include <string>
#include <vector>

// `rgb` holds w x h pixels of 3 bytes, top row first; `name` is the file in golden/.
void ExpectMatchesGolden(const std::string &name, int w, int h,
                         const std::vector<unsigned char> &rgb);
