// Data paths and file access shared by every host.
//
// Framework resource paths ("vantor://data/...") resolve against the directory of the running
// executable; the state file "./.vantorstate" lives in the working directory. KtGame's file
// operations (OpenFile, LoadString, LoadData, SaveState, LoadState) are defined in data.cpp.
// KtGame::SaveState stores the state through kt_data_ReplaceFile with its results (0, -1, -2)
// and prints one line with the reason when the save fails, since the game ignores the result.
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
// beside it (`path` + ".tmp-" + pid), which is flushed to the disk and renamed over it, then the
// directory is flushed. Symbolic links are followed to the file they name, existing or not: that
// file is replaced or created, the links stay. Temporary files that saves of processes no longer
// running left beside it are removed first.
//
// When no temporary file can be created beside an existing writable file, the file is rewritten
// in place instead: the save still happens, but a crash during it can leave the file short.
//
// Returns 0 on success. -1 when nothing was written: the file is a directory, has no owner write
// permission (read-only as the player set it, whoever runs the game), or neither a temporary file
// nor the file itself can be opened, or the links do not end. -2 when writing, flushing or
// renaming failed: the old file is then untouched and the temporary file gone, except after an
// in-place write, which may have left the file short. -2 also reports a failed flush of the
// directory after the rename: the new content is then in place but may not survive a power cut.
// On failure errno tells why.
int kt_data_ReplaceFile(const std::string &path, const std::string &bytes);

// The largest state file that is read: saves are about a kilobyte, so a larger file is not one of
// them (and is never read into memory whole).
constexpr int kt_data_MaxStateBytes = 64 * 1024;
