// The interface texts of "uninstall_l.ifl" and the one way the program shows a message box.
#pragma once

#include "platform/services.h"

namespace unroll {

inline constexpr char16_t kLanguageFileName[] = u"uninstall_l.ifl";

// The ten texts, named after their keys in the language file.
struct TextTable {
  Text bm_t;
  Text bm;
  Text success;
  Text header;
  Text header_b;
  Text uninstalling;
  Text btn_cancel;
  Text exit_uninstall_t;
  Text exit_uninstall;
  Text success_t;
};

// Fills the table from "uninstall_l.ifl"; false when the file cannot be opened.
// For now the file is only opened and closed, and every text stays empty.
bool LoadTextTable(FileSystem& files, TextTable& texts);

// Puts the application name into "BM", "Success" and "Header_b". Not yet done.
void ApplyAppName(TextTable& texts, const Text& app_name);

// Shows a message box from either thread; returns MessageBoxW's result (0 when not shown).
int ShowMessageBox(Ui& ui, const Text& title, const Text& text, unsigned type = kBoxOk);

}  // namespace unroll
