// Data paths and file access shared by every host.
//
// Framework resource paths ("vantor://data/...") resolve against the directory of the running
// executable; the state file "./.vantorstate" lives in the working directory. KtGame's file
// operations (OpenFile, LoadString, LoadData, SaveState, LoadState) are defined in data.cpp.
#pragma once

#include <string>

#include "host/ktgame.h"

// Resolves a framework path ("vantor://data/...", "vantor://internal/...",
// "vantor://external/...") against the executable's directory; other paths come back unchanged,
// unknown "vantor:" areas as the empty string. `appPath` and `internalPath` are the caller's
// caches, filled on first use. Ends the process when the executable's directory cannot be
// found.
String kt_data_ResolvePath(const String &path, String &appPath, String &internalPath);

// The directory of the running executable, forward slashes, no trailing slash.
String kt_data_ExecutableDir();

// UTF-16 name to the platform's file-name bytes (UTF-8; surrogate pairs become one 4-byte
// sequence; the escapes kt_data_FromFileName makes for undecodable bytes turn back into those
// bytes). False for a name holding a NUL unit, which no file name can hold.
bool kt_data_ToFileName(const String &name, std::string &out);
// File-name bytes to UTF-16: strict UTF-8, each byte that is not part of a valid sequence kept
// as the lone surrogate 0xDC00 + byte, so that any name converts back to the same bytes.
String kt_data_FromFileName(const char *bytes, int length);

// Replaces the file at `path` (platform bytes) by `bytes` so that it holds either its old or
// its new content at every moment, across crashes and kills: the bytes go to a temporary file
// beside it, which is flushed to the disk and renamed over it, then the directory is flushed.
// A symbolic link is followed: its target is replaced. Returns 0 on success, -1 when the
// temporary file cannot be created, -2 when writing, flushing or renaming failed; on these
// failures the old file is untouched and the temporary file is gone. -2 also reports a failed
// flush of the directory after the rename: the new content is then in place but may not
// survive a power cut.
int kt_data_ReplaceFile(const std::string &path, const std::string &bytes);
