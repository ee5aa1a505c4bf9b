// Text table and message boxes.
#include "text/text_table.h"

#include <vector>

#include "text/language_file.h"

namespace unroll {

bool LoadTextTable(FileSystem& files, TextTable& texts) {
  texts = TextTable{};
  LanguageFile language(files);
  if (!language.OpenLanguageFile(kLanguageFileName)) return false;
  (void)language.SelectGroup(kLanguageGroup);  // a missing group leaves every text empty
  const Text none;
  const struct {
    const char16_t* key;
    Text TextTable::*text;
  } kKeys[] = {
      {u"BM_T", &TextTable::bm_t},
      {u"BM", &TextTable::bm},
      {u"Success", &TextTable::success},
      {u"Header", &TextTable::header},
      {u"Header_b", &TextTable::header_b},
      {u"Uninstalling", &TextTable::uninstalling},
      {u"Btn_cancel", &TextTable::btn_cancel},
      {u"ExitUninstall_T", &TextTable::exit_uninstall_t},
      {u"ExitUninstall", &TextTable::exit_uninstall},
      {u"Success_T", &TextTable::success_t},
  };
  for (const auto& k : kKeys) texts.*k.text = language.ReadText(k.key, none);
  language.CloseLanguageFile();
  return true;
}

Text ReplaceAppName(const Text& text, const Text& app_name) {
  constexpr std::size_t kLength = sizeof kAppNamePlaceholder / sizeof kAppNamePlaceholder[0] - 1;
  Text out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t found = text.find(kAppNamePlaceholder, pos);
    if (found == Text::npos) break;
    out.append(text, pos, found - pos).append(app_name);
    pos = found + kLength;
  }
  return out.append(text, pos, Text::npos);
}

void ApplyAppName(TextTable& texts, const Text& app_name) {
  for (Text* text : {&texts.header_b, &texts.success, &texts.bm}) {
    *text = ReplaceAppName(*text, app_name);
  }
}

int ShowMessageBox(Ui& ui, const Text& title, const Text& text, unsigned type) {
  // What this call changed, kept on its own stack frame: two boxes shown at once by the two
  // threads never see each other's records.
  struct Remembered {
    NativeHandle window;
    bool topmost;
    bool disabled_here;
  };
  std::vector<Remembered> remembered;
  const std::uint32_t thread = ui.CurrentThread();
  const NativeHandle foreground = ui.ForegroundWindow();
  for (NativeHandle window : ui.TopLevelWindows()) {
    std::uint32_t process = 0;
    if (ui.WindowThread(window, &process) != thread || !ui.IsVisible(window)) continue;
    Remembered r{window, ui.IsTopmost(window), false};
    if (window != foreground && ui.IsEnabled(window)) {
      ui.Enable(window, false);
      r.disabled_here = true;
    }
    remembered.push_back(r);
  }
  for (const Remembered& r : remembered) {
    if (r.topmost) ui.SetTopmost(r.window, false);
  }

  NativeHandle owner = 0;
  if (foreground != 0) {
    std::uint32_t process = 0;
    (void)ui.WindowThread(foreground, &process);
    if (process == ui.CurrentProcess()) owner = foreground;
  }
  const int result = ui.ShowBox(owner, title, text, type);

  for (const Remembered& r : remembered) {
    if (r.disabled_here) ui.Enable(r.window, true);
    if (r.topmost) ui.SetTopmost(r.window, true);
  }
  return result;
}

}  // namespace unroll
