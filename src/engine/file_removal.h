// Deleting the files and folders that the log names.
#pragma once

#include "platform/services.h"

namespace unroll {

// One DeleteFileW of the path as it stands: attributes untouched, no retry. True when deleted.
bool RemoveFile(FileSystem& files, const Text& path);

// Deletes the files directly inside the folder (never descending into subfolders), then the
// folder itself when that left it empty. True only when the folder was removed. A folder whose
// path does not fit the path buffer, or that holds a file whose joined path would not fit, is
// left exactly as it is.
bool RemoveFolder(FileSystem& files, const Text& path);

}  // namespace unroll
