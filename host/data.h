// Data paths and file access shared by every host.
#pragma once

#include "host/ktgame.h"

// Resolves a framework path ("vantor://data/...", "vantor://internal/...",
// "vantor://external/...") against the executable's directory; other paths come back unchanged,
// unknown "vantor:" areas as the empty string. `appPath` and `internalPath` are the caller's
// caches, filled on first use.
String kt_data_ResolvePath(const String &path, String &appPath, String &internalPath);
