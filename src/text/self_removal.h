// The hidden script that removes the uninstaller's program file, the application folder and
// itself once the uninstaller has ended.
#pragma once

#include <vector>

#include "platform/services.h"

namespace unroll {

// Environment variables through which the script gets its paths. cmd reads a batch file in the
// console's code page and expands "%" even between quotation marks, so a path written into the
// script would not survive characters outside ASCII or a "%"; a value taken from cmd's own
// (UTF-16) environment with delayed expansion is used as it stands.
inline constexpr char16_t kScriptProgramVariable[] = u"UNROLL_PROGRAM";
inline constexpr char16_t kScriptFolderVariable[] = u"UNROLL_FOLDER";

// A fresh GUID in registry form, "{8-4-4-4-12}" in upper-case hexadecimal; empty when none.
Text GuidString(Process& process);

// The script's bytes: ASCII lines ended by CR LF. It deletes the program file, retrying about
// once a second for about half a minute while the process is still ending; removes the folder
// (only when `remove_folder`: an empty folder text removes none); deletes itself.
std::vector<char> SelfRemovalScriptBytes(bool remove_folder);

// Writes the script as temporary folder + GUID + ".bat" and starts it hidden, with the program
// path and `folder` in its environment and the temporary folder as the current directory, so
// that neither this process nor the script holds the folder to remove. A script that cannot be
// created is not started.
void SelfRemovalScript(Services& services, const Text& folder);

}  // namespace unroll
