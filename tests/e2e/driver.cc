// e2e_driver: starts the uninstaller and plays its user, one step after the other.
//
//   e2e_driver --exe PATH --cwd DIR --out FILE --timeout SECONDS step...
//
//   box:ok | box:cancel | box:yes | box:no
//            wait for the next message box of the process, record it, press that button
//   window   wait for the process's own (non-dialog) top-level window and record its title
//   close    the same, then post WM_CLOSE to it
//
// FILE gets one JSON line per step and a last line with the exit code of the process, or with
// the step that failed. When the time is up the process is ended: nothing can hang the caller.
// Exit code: 0 when every step was done, 1 when a step could not be, 2 on a time-out.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct ButtonName {
  int id;
  const wchar_t* name;
};
constexpr ButtonName kButtons[] = {
    {IDOK, L"ok"},        {IDCANCEL, L"cancel"},     {IDABORT, L"abort"},
    {IDRETRY, L"retry"},  {IDIGNORE, L"ignore"},     {IDYES, L"yes"},
    {IDNO, L"no"},        {IDTRYAGAIN, L"tryagain"}, {IDCONTINUE, L"continue"},
};
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kPollMs = 20;

std::wstring Utf16(const char* text) {
  std::wstring out;
  for (; *text != '\0'; ++text) out.push_back(static_cast<wchar_t>(*text));
  return out;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
  return out;
}

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (const char c : Utf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT is marshalled across processes, unlike reading the control's memory.
  const LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got =
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

bool IsDialog(HWND window) { return ClassOf(window) == L"#32770"; }

struct WindowSearch {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleOfProcess(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner_process = 0;
  ::GetWindowThreadProcessId(window, &owner_process);
  if (owner_process == search->process_id && ::IsWindowVisible(window)) {
    search->found.push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK CollectAll(HWND window, LPARAM parameter) {
  reinterpret_cast<WindowSearch*>(parameter)->found.push_back(window);
  return TRUE;
}

// The visible top-level windows of one process.
std::vector<HWND> TopLevelWindows(DWORD process_id) {
  WindowSearch search{process_id, {}};
  ::EnumWindows(&CollectVisibleOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  WindowSearch search{0, {}};
  ::EnumChildWindows(parent, &CollectAll, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Classifies the icon a box shows from the pixels on the screen: another process's HICON means
// nothing here. The error icon is mostly red, the question icon mostly blue. Waits for the
// control to be painted.
std::wstring IconOf(HWND box, ULONGLONG deadline) {
  HWND icon = nullptr;
  for (HWND child : Children(box)) {
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (ClassOf(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON && ::IsWindowVisible(child)) {
      icon = child;
    }
  }
  // STM_GETICON carries no pointer, so it can be asked across processes: a box without an icon
  // keeps its icon control, empty.
  if (icon == nullptr || ::SendMessageW(icon, STM_GETICON, 0, 0) == 0) return L"none";

  RECT rect;
  ::GetWindowRect(icon, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return L"none";
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);

  std::wstring verdict = L"unknown";
  const ULONGLONG give_up = ::GetTickCount64() + 3000;
  while (verdict == L"unknown" && ::GetTickCount64() < give_up && ::GetTickCount64() < deadline) {
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    int red = 0;
    int blue = 0;
    const auto* pixel = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i) {
      const int r = (pixel[i] >> 16) & 0xFF;
      const int g = (pixel[i] >> 8) & 0xFF;
      const int b = pixel[i] & 0xFF;
      if (r > 150 && g < 110 && b < 110) ++red;
      if (b > 150 && r < 120 && b > g + 30) ++blue;
    }
    const int enough = width * height / 10;
    if (red >= enough && red > 3 * blue) verdict = L"error";
    if (blue >= enough && blue > 3 * red) verdict = L"question";
    if (verdict == L"unknown") ::Sleep(kPollMs);
  }
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return verdict;
}

class Driver {
 public:
  Driver(HANDLE out, ULONGLONG deadline) : out_(out), deadline_(deadline) {}

  bool Start(const std::wstring& exe, const std::wstring& cwd) {
    std::wstring command_line = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(exe.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          cwd.empty() ? nullptr : cwd.c_str(), &startup, &started)) {
      Record("{\"step\":\"start\",\"error\":\"CreateProcessW failed\",\"code\":" +
             std::to_string(::GetLastError()) + "}");
      return false;
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    process_id_ = started.dwProcessId;
    return true;
  }

  // 0 done, 1 could not be done, 2 out of time.
  int Step(const std::wstring& step) {
    if (step.compare(0, 4, L"box:") == 0) return PressBox(step, step.substr(4));
    if (step == L"window" || step == L"close") return MainWindow(step, step == L"close");
    return Fail(step, "unknown step");
  }

  int Finish() {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD wait = now < deadline_ ? static_cast<DWORD>(deadline_ - now) : 0;
    if (::WaitForSingleObject(process_, wait) != WAIT_OBJECT_0) return TimeOut(L"exit");
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    Record("{\"step\":\"exit\",\"code\":" + std::to_string(code) + "}");
    return 0;
  }

  void Kill() {
    if (process_ != nullptr) {
      ::TerminateProcess(process_, 99);
      ::WaitForSingleObject(process_, 5000);
    }
  }

 private:
  int PressBox(const std::wstring& step, const std::wstring& button_name) {
    int button_id = 0;
    for (const ButtonName& b : kButtons) {
      if (button_name == b.name) button_id = b.id;
    }
    if (button_id == 0) return Fail(step, "unknown button");

    HWND box = nullptr;
    while (box == nullptr) {
      for (HWND window : TopLevelWindows(process_id_)) {
        if (IsDialog(window)) box = window;
      }
      if (box != nullptr) break;
      if (const int waited = Wait(step)) return waited;
    }

    std::string buttons;
    HWND button = nullptr;
    for (HWND child : Children(box)) {
      if (ClassOf(child) != L"Button" || !::IsWindowVisible(child)) continue;
      const int id = ::GetDlgCtrlID(child);
      std::wstring name = L"id" + std::to_wstring(id);
      for (const ButtonName& b : kButtons) {
        if (b.id == id) name = b.name;
      }
      buttons += (buttons.empty() ? "" : ",") + Json(name);
      if (id == button_id) button = child;
    }
    HWND text = ::GetDlgItem(box, kMessageBoxTextId);
    const std::wstring owner = OwnerOf(box);
    Record("{\"step\":" + Json(step) + ",\"title\":" + Json(TextOf(box)) +
           ",\"text\":" + Json(text != nullptr ? TextOf(text) : L"") + ",\"buttons\":[" + buttons +
           "],\"icon\":" + Json(IconOf(box, deadline_)) + ",\"owner\":" + Json(owner) + "}");
    if (button == nullptr) return Fail(step, "the box has no such button");

    // What a click on the button sends; the box then ends with that result.
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    // Gone before the next step looks, so that it never finds this box again.
    while (::IsWindow(box) && ::IsWindowVisible(box)) {
      if (::GetTickCount64() >= deadline_) return TimeOut(step);
      ::Sleep(kPollMs);
    }
    return 0;
  }

  int MainWindow(const std::wstring& step, bool close) {
    HWND main = nullptr;
    while ((main = FindMainWindow()) == nullptr) {
      if (const int waited = Wait(step)) return waited;
    }
    Record("{\"step\":" + Json(step) + ",\"title\":" + Json(TextOf(main)) + "}");
    if (close) ::PostMessageW(main, WM_CLOSE, 0, 0);
    return 0;
  }

  HWND FindMainWindow() {
    for (HWND window : TopLevelWindows(process_id_)) {
      if (!IsDialog(window)) return window;
    }
    return nullptr;
  }

  std::wstring OwnerOf(HWND box) {
    HWND owner = ::GetWindow(box, GW_OWNER);
    if (owner == nullptr) return L"none";
    DWORD owner_process = 0;
    ::GetWindowThreadProcessId(owner, &owner_process);
    if (owner_process == process_id_ && ::GetParent(owner) == nullptr && !IsDialog(owner)) {
      return L"window";
    }
    return L"other:" + ClassOf(owner);
  }

  // One poll interval; non-zero when the step cannot go on.
  int Wait(const std::wstring& step) {
    if (::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      ::GetExitCodeProcess(process_, &code);
      Fail(step, "the process ended");
      Record("{\"step\":\"exit\",\"code\":" + std::to_string(code) + "}");
      return 1;
    }
    if (::GetTickCount64() >= deadline_) return TimeOut(step);
    ::Sleep(kPollMs);
    return 0;
  }

  int Fail(const std::wstring& step, const char* why) {
    Record("{\"step\":" + Json(step) + ",\"error\":" + Json(Utf16(why)) + "}");
    return 1;
  }

  int TimeOut(const std::wstring& step) {
    Record("{\"step\":" + Json(step) + ",\"error\":\"timeout\"}");
    Kill();
    return 2;
  }

  // Every record ends with "ms": the time since the driver started, for the timings.
  void Record(std::string line) {
    line.pop_back();
    line += ",\"ms\":" + std::to_string(::GetTickCount64() - started_) + "}\n";
    DWORD written = 0;
    ::WriteFile(out_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

  HANDLE out_;
  ULONGLONG deadline_;
  ULONGLONG started_ = ::GetTickCount64();
  HANDLE process_ = nullptr;
  DWORD process_id_ = 0;
};

int Usage() {
  std::fputs("usage: e2e_driver --exe PATH --cwd DIR --out FILE --timeout SECONDS step...\n",
             stderr);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring exe, cwd, out_path;
  double seconds = 30;
  std::vector<std::wstring> steps;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--exe" && has_value) {
      exe = argv[++i];
    } else if (arg == L"--cwd" && has_value) {
      cwd = argv[++i];
    } else if (arg == L"--out" && has_value) {
      out_path = argv[++i];
    } else if (arg == L"--timeout" && has_value) {
      seconds = std::wcstod(argv[++i], nullptr);
    } else if (arg.compare(0, 2, L"--") == 0) {
      return Usage();
    } else {
      steps.push_back(arg);
    }
  }
  if (exe.empty() || out_path.empty() || seconds <= 0) return Usage();

  HANDLE out = ::CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    std::fputs("e2e_driver: cannot create the output file\n", stderr);
    return 1;
  }
  Driver driver(out, ::GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000));
  int result = driver.Start(exe, cwd) ? 0 : 1;
  for (std::size_t i = 0; result == 0 && i < steps.size(); ++i) result = driver.Step(steps[i]);
  if (result == 0) result = driver.Finish();
  if (result == 1) driver.Kill();  // a step that could not be done leaves nothing running
  ::CloseHandle(out);
  return result;
}
