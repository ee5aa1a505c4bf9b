// Replay of 20,000 file records under Wine or Windows: with no window, with the progress window
// shown (positions throttled as the program sends them), and with the window shown and every
// position sent, to show what the throttling saves. Run by scripts/bench.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/uninstaller.h"
#include "platform/win32/win32.h"
#include "ui/win32_ui.h"

namespace unroll {
namespace {

constexpr int kRecords = 20000;

// The services' UI with nothing shown: replay without any window.
class NoWindowUi final : public Ui {
 public:
  int ShowBox(NativeHandle, const Text&, const Text&, unsigned) override { return kIdOk; }
  std::vector<NativeHandle> TopLevelWindows() override { return {}; }
  std::uint32_t WindowThread(NativeHandle, std::uint32_t* process) override { return *process = 0; }
  std::uint32_t CurrentThread() override { return 0; }
  std::uint32_t CurrentProcess() override { return 0; }
  NativeHandle ForegroundWindow() override { return 0; }
  bool IsVisible(NativeHandle) override { return false; }
  bool IsEnabled(NativeHandle) override { return false; }
  void Enable(NativeHandle, bool) override {}
  bool IsTopmost(NativeHandle) override { return false; }
  void SetTopmost(NativeHandle, bool) override {}
  UiEvent WaitEvent() override { return {}; }
  void LoadWindowResources() override {}
  void BuildProgressWindow(const ProgressWindowTexts&, std::int32_t) override {}
  void SetProgressMaximum(std::int32_t) override {}
  void SetProgressPosition(std::int32_t, bool) override {}
  void HideProgressWindow() override {}
};

// Sends every position straight to the shown bar, as an unthrottled window would.
class EveryPositionUi final : public Ui {
 public:
  explicit EveryPositionUi(Win32Ui& inner) : inner_(inner) {}
  int ShowBox(NativeHandle o, const Text& t, const Text& x, unsigned y) override { return inner_.ShowBox(o, t, x, y); }
  std::vector<NativeHandle> TopLevelWindows() override { return inner_.TopLevelWindows(); }
  std::uint32_t WindowThread(NativeHandle w, std::uint32_t* p) override { return inner_.WindowThread(w, p); }
  std::uint32_t CurrentThread() override { return inner_.CurrentThread(); }
  std::uint32_t CurrentProcess() override { return inner_.CurrentProcess(); }
  NativeHandle ForegroundWindow() override { return inner_.ForegroundWindow(); }
  bool IsVisible(NativeHandle w) override { return inner_.IsVisible(w); }
  bool IsEnabled(NativeHandle w) override { return inner_.IsEnabled(w); }
  void Enable(NativeHandle w, bool e) override { inner_.Enable(w, e); }
  bool IsTopmost(NativeHandle w) override { return inner_.IsTopmost(w); }
  void SetTopmost(NativeHandle w, bool t) override { inner_.SetTopmost(w, t); }
  UiEvent WaitEvent() override { return inner_.WaitEvent(); }
  void LoadWindowResources() override { inner_.LoadWindowResources(); }
  void BuildProgressWindow(const ProgressWindowTexts& t, std::int32_t s) override { inner_.BuildProgressWindow(t, s); }
  void SetProgressMaximum(std::int32_t s) override { inner_.SetProgressMaximum(s); }
  void SetProgressPosition(std::int32_t position, bool) override {
    if (bar_ == nullptr) bar_ = ::GetDlgItem(::FindWindowW(L"UnrollProgressWindow", nullptr), 5);
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void HideProgressWindow() override { inner_.HideProgressWindow(); }

 private:
  Win32Ui& inner_;
  HWND bar_ = nullptr;
};

std::wstring g_folder;

// Lays out the files and a log that names each of them. They sit in folders of 500: Wine looks
// names up by scanning the folder, which a single folder of 20,000 files would make the cost.
void LayOut() {
  ::CreateDirectoryW(g_folder.c_str(), nullptr);
  std::string log("\x07\0\0\0Bench\r\n\r\n\r\n\r\n", 12);
  const std::int32_t total = kRecords;
  log.append(reinterpret_cast<const char*>(&total), 4);
  for (int i = 0; i < kRecords; ++i) {
    const std::string relative = "d" + std::to_string(i / 500) + "\\f" + std::to_string(i) + ".txt";
    if (i % 500 == 0) ::CreateDirectoryW((g_folder + L"d" + std::to_wstring(i / 500)).c_str(), nullptr);
    const std::wstring name(relative.begin(), relative.end());
    HANDLE file = ::CreateFileW((g_folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(file);
    log += "#DF\r\n" + relative + "\r\n";
  }
  HANDLE file = ::CreateFileW((g_folder + L"uninstall.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, log.data(), static_cast<DWORD>(log.size()), &written, nullptr);
  ::CloseHandle(file);
}

struct Run {
  Uninstaller* u;
  DWORD main_thread;
  double seconds;
};

double Now() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Replay(Run& run) {
  const double start = Now();
  run.u->services.ui.SetProgressMaximum(kRecords);
  run.u->log.Open();
  ReplayLog(*run.u);
  run.u->log.Close();
  run.u->services.ui.SetProgressPosition(kRecords, true);
  run.seconds = Now() - start;
}

DWORD WINAPI Worker(LPVOID parameter) {
  auto* run = static_cast<Run*>(parameter);
  Replay(*run);
  ::PostThreadMessageW(run->main_thread, WM_QUIT, 0, 0);
  return 0;
}

// Replays on a worker thread while this thread handles the window's messages, as the program does.
double Measure(Ui& ui, bool window) {
  LayOut();
  Win32FileSystem files;
  Win32Process process;
  Win32Registry registry;
  Services services{files, process, ui, registry};
  Uninstaller u(services);
  Run run{&u, ::GetCurrentThreadId(), 0};
  if (!window) {
    Replay(run);
    return run.seconds;
  }
  ui.LoadWindowResources();
  ui.BuildProgressWindow({u"Uninstall Bench", u"Bench", u"", u"Uninstalling Bench", u"Cancel"},
                         kRecords);
  HANDLE thread = ::CreateThread(nullptr, 0, &Worker, &run, 0, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  ui.HideProgressWindow();
  return run.seconds;
}

}  // namespace
}  // namespace unroll

int wmain() {
  using namespace unroll;
  wchar_t temp[MAX_PATH + 1];
  ::GetTempPathW(MAX_PATH + 1, temp);
  g_folder = std::wstring(temp) + L"UnrollProgressBench\\";
  ::SetCurrentDirectoryW(temp);
  ::CreateDirectoryW(g_folder.c_str(), nullptr);
  ::SetCurrentDirectoryW(g_folder.c_str());
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  // Rounds alternate between the two, and the medians are compared, so that a busy moment of the
  // machine does not decide the ratio.
  constexpr int kRounds = 5;
  std::vector<double> bare, throttled;
  for (int round = 0; round < kRounds; ++round) {
    NoWindowUi none;
    bare.push_back(Measure(none, false));
    Win32Ui shown;
    throttled.push_back(Measure(shown, true));
  }
  std::sort(bare.begin(), bare.end());
  std::sort(throttled.begin(), throttled.end());
  Win32Ui shown_again;
  EveryPositionUi every(shown_again);
  const double unthrottled = Measure(every, true);
  const double b = bare[kRounds / 2], t = throttled[kRounds / 2];
  std::printf("replay of %d file records, median of %d: no window %.2f s, window %.2f s (%.2fx); "
              "window with every position sent %.2f s (%.2fx)\n",
              kRecords, kRounds, b, t, t / b, unthrottled, unthrottled / b);
  ::DeleteFileW((g_folder + L"uninstall.dat").c_str());
  for (int d = 0; d < kRecords / 500; ++d) ::RemoveDirectoryW((g_folder + L"d" + std::to_wstring(d)).c_str());
  ::SetCurrentDirectoryW(temp);
  ::RemoveDirectoryW(g_folder.c_str());
  return 0;
}
