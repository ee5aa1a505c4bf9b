// Text table and message boxes.
#include "text/text_table.h"

namespace unroll {

bool LoadTextTable(FileSystem& files, TextTable& texts) {
  texts = TextTable{};
  UniqueFile file(FileCloser{&files},
                  files.Open(kLanguageFileName, kGenericRead, kShareRead, Disposition::kOpenExisting));
  return file.valid();
}

void ApplyAppName(TextTable& texts, const Text& app_name) {
  (void)texts;
  (void)app_name;
}

int ShowMessageBox(Ui& ui, const Text& title, const Text& text, unsigned type) {
  return ui.ShowBox(title, text, type);
}

}  // namespace unroll
