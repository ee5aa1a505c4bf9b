// The interface texts of "uninstall_l.ifl", the application name put into them, and the one way
// the program shows a message box.
#pragma once

#include "platform/services.h"

namespace unroll {

inline constexpr char16_t kLanguageFileName[] = u"uninstall_l.ifl";
inline constexpr char16_t kLanguageGroup[] = u"Uninstall";
inline constexpr char16_t kAppNamePlaceholder[] = u"<appname>";

// The ten texts, named after their keys in the language file; empty when a key is absent.
struct TextTable {
  Text bm_t;              // "BM_T": title of the confirmation box
  Text bm;                // "BM": its text, with the application name
  Text success;           // "Success": text of the success box, with the application name
  Text header;            // "Header": bold title of the progress window's header
  Text header_b;          // "Header_b": its second line, with the application name
  Text uninstalling;      // "Uninstalling": status line before the application name
  Text btn_cancel;        // "Btn_cancel": caption of the Cancel button
  Text exit_uninstall_t;  // "ExitUninstall_T": title of the exit box and the log error box
  Text exit_uninstall;    // "ExitUninstall": their text
  Text success_t;         // "Success_T": title of the success box
};

// Fills the table from the group "Uninstall" of "uninstall_l.ifl"; false when the file cannot be
// opened. A missing group or key leaves its texts empty.
bool LoadTextTable(FileSystem& files, TextTable& texts);

// Replaces every "<appname>" (exact case) in "Header_b", "Success" and "BM" with the name, left to
// right; the inserted name is not scanned again.
void ApplyAppName(TextTable& texts, const Text& app_name);
Text ReplaceAppName(const Text& text, const Text& app_name);

// Shows a message box from either thread. While it is open the calling thread's other visible
// windows are disabled (all but the foreground one) and none of them stays topmost; afterwards
// each is restored. The owner is the foreground window when it belongs to this process. Returns
// MessageBoxW's result, 0 when the box could not be shown.
int ShowMessageBox(Ui& ui, const Text& title, const Text& text, unsigned type = kBoxOk);

}  // namespace unroll
