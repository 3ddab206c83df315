// The contact sheet: every sheet with its frame numbers on one picture, for looking at the art.
#pragma once

#include "art.h"

#include <string>
#include <vector>

namespace art {

struct ContactEntry {
    const Sheet *sheet;
    cairo_surface_t *image;  // the sheet rendered at `level`
    int level;
};

bool writeContactSheet(const std::vector<ContactEntry> &entries, const std::string &path);

}  // namespace art
