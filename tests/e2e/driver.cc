// e2e_driver: starts the uninstaller and plays its user, one step after the other.
//
//   e2e_driver --exe PATH --cwd DIR --out FILE --timeout SECONDS step...
//
//   box:BUTTON[@main|@worker]
//            wait for a message box of the process (of its first thread, or of any other one),
//            record it, press BUTTON (ok, cancel, yes, no, ...); BUTTON "keep" presses nothing and
//            leaves the box open. Recorded: title, text, visible buttons, icon, owner (none,
//            window, box: another box of the process, other:CLASS), thread, and the number of
//            the process's boxes open at that moment
//   window   wait for the process's own (non-dialog) top-level window and record its title
//   close    the same, then post WM_CLOSE to it
//   inspect  the same, and record its frame, its child controls and its progress bar's state
//   hidden   watch the window found last until the process ends; record the states it was seen
//            in, in their order: visible, hidden, destroyed
//   shot:FILE
//            save what the screen shows of the process's window, its frame included, to FILE as
//            a 24-bit BMP. The process's boxes are moved off the window first and the window is
//            made to repaint; the shot is taken once two in a row come out the same. Recorded:
//            the size of the shot, where the client area lies in it, COLOR_BTNFACE, the number
//            of boxes moved and of shots taken
//   pause:FILE
//            wait until FILE exists (the caller's signal to go on)
//   gone:SECONDS
//            wait for the process to end and then, at most SECONDS, for its program file and
//            the .bat files that appeared in the temporary folder to be gone; record the
//            scripts and any top-level window of another process that was shown meanwhile
//
// FILE gets one JSON line per step and a line with the exit code of the process, or with the
// step that failed. When the time is up the process is ended: nothing can hang the caller.
// Exit code: 0 when every step was done, 1 when a step could not be, 2 on a time-out.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tool_text.h"

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

std::string JsonList(const std::vector<std::wstring>& items) {
  std::string out;
  for (const std::wstring& item : items) out += (out.empty() ? "" : ",") + Json(item);
  return "[" + out + "]";
}

std::string Number(long long value) { return std::to_string(value); }

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

BOOL CALLBACK CollectVisible(HWND window, LPARAM parameter) {
  if (::IsWindowVisible(window)) reinterpret_cast<WindowSearch*>(parameter)->found.push_back(window);
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

// The visible top-level windows of every process.
std::vector<HWND> VisibleWindows() {
  WindowSearch search{0, {}};
  ::EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Every descendant, the children of children included.
std::vector<HWND> Children(HWND parent) {
  WindowSearch search{0, {}};
  ::EnumChildWindows(parent, &CollectAll, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A 32-bit copy of a rectangle of the screen, taken anew by each Take().
class ScreenCopy {
 public:
  ScreenCopy(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    screen_ = ::GetDC(nullptr);
    memory_ = ::CreateCompatibleDC(screen_);
    bitmap_ = ::CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_ != nullptr) previous_ = ::SelectObject(memory_, bitmap_);
  }
  ScreenCopy(const ScreenCopy&) = delete;
  ScreenCopy& operator=(const ScreenCopy&) = delete;
  ~ScreenCopy() {
    if (bitmap_ != nullptr) {
      ::SelectObject(memory_, previous_);
      ::DeleteObject(bitmap_);
    }
    ::DeleteDC(memory_);
    ::ReleaseDC(nullptr, screen_);
  }
  bool valid() const { return bitmap_ != nullptr; }
  const DWORD* Take(int left, int top) {
    ::BitBlt(memory_, 0, 0, width_, height_, screen_, left, top, SRCCOPY);
    ::GdiFlush();
    return static_cast<const DWORD*>(bits_);
  }

 private:
  int width_, height_;
  HDC screen_ = nullptr;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

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
  ScreenCopy copy(width, height);
  std::wstring verdict = L"unknown";
  const ULONGLONG give_up = ::GetTickCount64() + 3000;
  while (copy.valid() && verdict == L"unknown" && ::GetTickCount64() < give_up &&
         ::GetTickCount64() < deadline) {
    const DWORD* pixel = copy.Take(rect.left, rect.top);
    int red = 0;
    int blue = 0;
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
  return verdict;
}

// The names of the .bat files in the temporary folder, the folder that the uninstaller's
// self-removal script goes to (the same user and environment as ours).
std::vector<std::wstring> ScriptsInTemp() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  std::vector<std::wstring> names;
  if (length == 0 || length > MAX_PATH) return names;
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((std::wstring(folder) + L"*.bat").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

template <typename T>
bool Contains(const std::vector<T>& items, const T& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// x, y, width, height of a window relative to the client area of another.
std::string RectIn(HWND window, HWND frame) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(HWND_DESKTOP, frame, reinterpret_cast<POINT*>(&rect), 2);
  return "[" + Number(rect.left) + "," + Number(rect.top) + "," + Number(rect.right - rect.left) +
         "," + Number(rect.bottom - rect.top) + "]";
}

// Writes 0x00RRGGBB pixels, top row first, as an uncompressed 24-bit BMP (bottom row first,
// each row padded to four bytes).
bool WriteBmp(const std::wstring& path, int width, int height, const std::vector<DWORD>& pixels) {
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::string data(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) +
                       static_cast<std::size_t>(stride) * static_cast<std::size_t>(height),
                   '\0');
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(data.size());
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = stride * static_cast<DWORD>(height);
  std::memcpy(&data[0], &file, sizeof file);
  std::memcpy(&data[sizeof file], &info, sizeof info);
  for (int y = 0; y < height; ++y) {
    char* row = &data[file.bfOffBits + stride * static_cast<DWORD>(height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      const DWORD pixel = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(x)];
      row[3 * x] = static_cast<char>(pixel & 0xFF);
      row[3 * x + 1] = static_cast<char>((pixel >> 8) & 0xFF);
      row[3 * x + 2] = static_cast<char>((pixel >> 16) & 0xFF);
    }
  }
  HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
      written == data.size();
  ::CloseHandle(out);
  return ok;
}

class Driver {
 public:
  Driver(HANDLE out, ULONGLONG deadline) : out_(out), deadline_(deadline) {}

  bool Start(const std::wstring& exe, const std::wstring& cwd) {
    exe_ = exe;
    // What was there before: the gone step reports only what the uninstaller left.
    scripts_before_ = ScriptsInTemp();
    windows_before_ = VisibleWindows();
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
    main_thread_id_ = started.dwThreadId;
    return true;
  }

  // 0 done, 1 could not be done, 2 out of time.
  int Step(const std::wstring& step) {
    if (step.compare(0, 4, L"box:") == 0) return PressBox(step, step.substr(4));
    if (step == L"window" || step == L"close" || step == L"inspect") return MainWindow(step);
    if (step == L"hidden") return WatchHidden(step);
    if (step.compare(0, 5, L"shot:") == 0) return Shot(step, step.substr(5));
    if (step.compare(0, 6, L"pause:") == 0) return Pause(step, step.substr(6));
    if (step.compare(0, 5, L"gone:") == 0) return Gone(step, std::wcstod(step.c_str() + 5, nullptr));
    return Fail(step, "unknown step");
  }

  int Finish() {
    if (exited_) return 0;
    const ULONGLONG now = ::GetTickCount64();
    const DWORD wait = now < deadline_ ? static_cast<DWORD>(deadline_ - now) : 0;
    if (::WaitForSingleObject(process_, wait) != WAIT_OBJECT_0) return TimeOut(L"exit");
    RecordExit();
    return 0;
  }

  void Kill() {
    if (process_ != nullptr) {
      ::TerminateProcess(process_, 99);
      ::WaitForSingleObject(process_, 5000);
    }
  }

 private:
  // "main": the process's first thread; "worker": any other.
  std::wstring ThreadOf(HWND window) {
    return ::GetWindowThreadProcessId(window, nullptr) == main_thread_id_ ? L"main" : L"worker";
  }

  std::vector<HWND> Boxes() {
    std::vector<HWND> boxes;
    for (HWND window : TopLevelWindows(process_id_)) {
      if (IsDialog(window)) boxes.push_back(window);
    }
    return boxes;
  }

  int PressBox(const std::wstring& step, std::wstring button_name) {
    std::wstring thread;
    const std::size_t at = button_name.find(L'@');
    if (at != std::wstring::npos) {
      thread = button_name.substr(at + 1);
      button_name.resize(at);
      if (thread != L"main" && thread != L"worker") return Fail(step, "unknown thread");
    }
    const bool keep = button_name == L"keep";
    int button_id = 0;
    for (const ButtonName& b : kButtons) {
      if (button_name == b.name) button_id = b.id;
    }
    if (button_id == 0 && !keep) return Fail(step, "unknown button");

    HWND box = nullptr;
    std::vector<HWND> boxes;
    while (box == nullptr) {
      boxes = Boxes();
      for (HWND window : boxes) {
        if (thread.empty() || ThreadOf(window) == thread) box = window;
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
    // "open": the boxes of the process on the screen at this moment, this one included.
    Record("{\"step\":" + Json(step) + ",\"title\":" + Json(TextOf(box)) +
           ",\"text\":" + Json(text != nullptr ? TextOf(text) : L"") + ",\"buttons\":[" + buttons +
           "],\"icon\":" + Json(IconOf(box, deadline_)) + ",\"owner\":" + Json(owner) +
           ",\"thread\":" + Json(ThreadOf(box)) + ",\"open\":" + Number(Boxes().size()) + "}");
    if (keep) return 0;
    if (button == nullptr) return Fail(step, "the box has no such button");

    // What a click on the button sends; the box then ends with that result.
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    // Gone before the next step looks, so that it never finds this box again. Looked for
    // every millisecond: what the process does next can be over in a few.
    while (::IsWindow(box) && ::IsWindowVisible(box)) {
      if (::GetTickCount64() >= deadline_) return TimeOut(step);
      ::Sleep(1);
    }
    return 0;
  }

  int MainWindow(const std::wstring& step) {
    HWND main = nullptr;
    while ((main = FindMainWindow()) == nullptr) {
      if (const int waited = Wait(step)) return waited;
    }
    main_ = main;
    if (step == L"inspect") {
      Record("{\"step\":" + Json(step) + "," + Inspect(main) + "}");
      return 0;
    }
    Record("{\"step\":" + Json(step) + ",\"title\":" + Json(TextOf(main)) + "}");
    if (step == L"close") ::PostMessageW(main, WM_CLOSE, 0, 0);
    return 0;
  }

  // The window's frame and controls as this process sees them. Everything here is asked by
  // window handle or by messages without pointers, which work across processes.
  std::string Inspect(HWND main) {
    RECT frame;
    ::GetWindowRect(main, &frame);
    RECT client;
    ::GetClientRect(main, &client);
    std::string out = "\"title\":" + Json(TextOf(main)) +
                      ",\"style\":" + Number(::GetWindowLongW(main, GWL_STYLE) & 0xFFFFFFFFLL) +
                      ",\"exstyle\":" + Number(::GetWindowLongW(main, GWL_EXSTYLE) & 0xFFFFFFFFLL) +
                      ",\"frame\":[" + Number(frame.left) + "," + Number(frame.top) + "," +
                      Number(frame.right - frame.left) + "," + Number(frame.bottom - frame.top) +
                      "],\"client\":[" + Number(client.right) + "," + Number(client.bottom) +
                      "],\"screen\":[" + Number(::GetSystemMetrics(SM_CXSCREEN)) + "," +
                      Number(::GetSystemMetrics(SM_CYSCREEN)) + "],\"owner\":" +
                      Json(::GetWindow(main, GW_OWNER) != nullptr ? L"some" : L"none") +
                      ",\"controls\":[";
    std::string controls;
    HWND bar = nullptr;
    for (HWND child : Children(main)) {
      HWND parent = ::GetParent(child);
      const std::wstring parent_name =
          parent == main ? L"window" : L"control " + std::to_wstring(::GetDlgCtrlID(parent));
      if (ClassOf(child) == PROGRESS_CLASSW) bar = child;
      controls += std::string(controls.empty() ? "" : ",") + "{\"id\":" +
                  Number(::GetDlgCtrlID(child)) + ",\"class\":" + Json(ClassOf(child)) +
                  ",\"parent\":" + Json(parent_name) + ",\"rect\":" + RectIn(child, main) +
                  ",\"style\":" + Number(::GetWindowLongW(child, GWL_STYLE) & 0xFFFFFFFFLL) +
                  ",\"exstyle\":" + Number(::GetWindowLongW(child, GWL_EXSTYLE) & 0xFFFFFFFFLL) +
                  ",\"text\":" + Json(TextOf(child)) + "}";
    }
    out += controls + "]";
    if (bar != nullptr) {
      // PBM_GETRANGE returns the limit that wParam asks for when lParam is null.
      out += ",\"bar\":{\"low\":" + Number(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0)) +
             ",\"high\":" + Number(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0)) +
             ",\"pos\":" + Number(::SendMessageW(bar, PBM_GETPOS, 0, 0)) + "}";
    }
    return out;
  }

  // Moves each box of the process that overlaps frame to just below it, or just above it when
  // the screen has no room below; counts them in moved. False when a box cannot be put off the
  // frame.
  bool MoveBoxesOff(const RECT& frame, int& moved) {
    const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
    int below = frame.bottom + 8;
    int above = frame.top - 8;
    for (HWND box : Boxes()) {
      RECT rect, overlap;
      ::GetWindowRect(box, &rect);
      if (!::IntersectRect(&overlap, &rect, &frame)) continue;
      const int height = rect.bottom - rect.top;
      int top;
      if (below + height <= screen_height) {
        top = below;
        below += height + 8;
      } else {
        top = above - height;
        above = top - 8;
      }
      if (top < 0) return false;
      // Sent to the box's own thread, which has moved it when the call returns.
      ::SetWindowPos(box, nullptr, rect.left, top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
      ::GetWindowRect(box, &rect);
      if (::IntersectRect(&overlap, &rect, &frame)) return false;
      ++moved;
    }
    return true;
  }

  // True while the window or one of its controls still has something to paint.
  static bool PaintPending(HWND main) {
    if (::GetUpdateRect(main, nullptr, FALSE)) return true;
    for (HWND child : Children(main)) {
      if (::GetUpdateRect(child, nullptr, FALSE)) return true;
    }
    return false;
  }

  int Shot(const std::wstring& step, const std::wstring& file) {
    HWND main = nullptr;
    while ((main = FindMainWindow()) == nullptr) {
      if (const int waited = Wait(step)) return waited;
    }
    main_ = main;
    RECT frame;
    ::GetWindowRect(main, &frame);
    int moved = 0;
    if (!MoveBoxesOff(frame, moved)) return Fail(step, "no room to move a box off the window");
    // All of it painted again by the window's own code, nothing left over from the box.
    ::RedrawWindow(main, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    while (PaintPending(main)) {
      if (const int waited = Wait(step)) return waited;
    }

    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ScreenCopy copy(width, height);
    if (!copy.valid()) return Fail(step, "no bitmap for the shot");
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // What is painted reaches the screen a little later: the shot is the first one that the
    // next one repeats.
    std::vector<DWORD> last;
    int shots = 0;
    bool settled = false;
    const ULONGLONG give_up = ::GetTickCount64() + 3000;
    while (!settled && ::GetTickCount64() < give_up && ::GetTickCount64() < deadline_) {
      const DWORD* pixels = copy.Take(frame.left, frame.top);
      ++shots;
      settled = last.size() == count && std::equal(last.begin(), last.end(), pixels);
      if (!settled) {
        last.assign(pixels, pixels + count);
        ::Sleep(60);
      }
    }
    if (!settled) return Fail(step, "the window did not settle");
    if (!WriteBmp(file, width, height, last)) return Fail(step, "cannot write the file");

    POINT origin = {0, 0};
    ::ClientToScreen(main, &origin);
    RECT client;
    ::GetClientRect(main, &client);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    Record("{\"step\":" + Json(step) + ",\"size\":[" + Number(width) + "," + Number(height) +
           "],\"client\":[" + Number(origin.x - frame.left) + "," + Number(origin.y - frame.top) +
           "," + Number(client.right) + "," + Number(client.bottom) + "],\"btnface\":[" +
           Number(GetRValue(face)) + "," + Number(GetGValue(face)) + "," +
           Number(GetBValue(face)) + "],\"moved\":" + Number(moved) +
           ",\"shots\":" + Number(shots) + "}");
    return 0;
  }

  // Polls the window found last as fast as it can until the process ends. "seen" lists the
  // states in the order they came, each once per run of polls: "visible", "hidden", "destroyed".
  int WatchHidden(const std::wstring& step) {
    if (main_ == nullptr) return Fail(step, "no window found before");
    std::vector<std::wstring> seen;
    while (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
      const wchar_t* state = !::IsWindow(main_)          ? L"destroyed"
                             : ::IsWindowVisible(main_) ? L"visible"
                                                         : L"hidden";
      if (seen.empty() || seen.back() != state) seen.push_back(state);
      if (::GetTickCount64() >= deadline_) return TimeOut(step);
      ::Sleep(1);
    }
    Record("{\"step\":" + Json(step) + ",\"seen\":" + JsonList(seen) + "}");
    return 0;
  }

  int Pause(const std::wstring& step, const std::wstring& file) {
    while (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (const int waited = Wait(step)) return waited;
    }
    return 0;
  }

  int Gone(const std::wstring& step, double seconds) {
    std::vector<std::wstring> scripts;  // every new .bat seen, in the order seen
    std::vector<std::wstring> windows;  // classes of new visible windows of other processes
    std::vector<std::wstring> left;
    bool exe_gone = false;
    ULONGLONG until = 0;
    for (;;) {
      left.clear();
      for (const std::wstring& name : ScriptsInTemp()) {
        if (Contains(scripts_before_, name)) continue;
        left.push_back(name);
        if (!Contains(scripts, name)) scripts.push_back(name);
      }
      for (HWND window : VisibleWindows()) {
        DWORD owner_process = 0;
        // No thread: the window went after it was listed, as the process's own windows do when
        // it ends.
        if (::GetWindowThreadProcessId(window, &owner_process) == 0) continue;
        if (owner_process == process_id_ || Contains(windows_before_, window)) continue;
        const std::wstring class_name = ClassOf(window);
        if (!::IsWindowVisible(window)) continue;
        windows_before_.push_back(window);  // each window once
        windows.push_back(class_name);
      }
      exe_gone = ::GetFileAttributesW(exe_.c_str()) == INVALID_FILE_ATTRIBUTES;
      const ULONGLONG now = ::GetTickCount64();
      if (!exited_ && ::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
        RecordExit();
        until = std::min(deadline_, now + static_cast<ULONGLONG>(seconds * 1000));
      }
      if (exited_ && ((exe_gone && left.empty()) || now >= until)) break;
      if (!exited_ && now >= deadline_) return TimeOut(step);
      ::Sleep(5);
    }
    Record("{\"step\":" + Json(step) + ",\"exe\":" + Json(exe_gone ? L"gone" : L"there") +
           ",\"scripts\":" + JsonList(scripts) + ",\"left\":" + JsonList(left) +
           ",\"windows\":" + JsonList(windows) + "}");
    return 0;
  }

  HWND FindMainWindow() {
    for (HWND window : TopLevelWindows(process_id_)) {
      if (!IsDialog(window)) return window;
    }
    return nullptr;
  }

  // "window": the process's own top-level window; "box": one of its message boxes.
  std::wstring OwnerOf(HWND box) {
    HWND owner = ::GetWindow(box, GW_OWNER);
    if (owner == nullptr) return L"none";
    DWORD owner_process = 0;
    ::GetWindowThreadProcessId(owner, &owner_process);
    // GetParent would give the owner's own owner: a top-level window is one without WS_CHILD.
    if (owner_process == process_id_ && (::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD) == 0) {
      return IsDialog(owner) ? L"box" : L"window";
    }
    return L"other:" + ClassOf(owner);
  }

  // One poll interval; non-zero when the step cannot go on.
  int Wait(const std::wstring& step) {
    if (::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
      Fail(step, "the process ended");
      RecordExit();
      return 1;
    }
    if (::GetTickCount64() >= deadline_) return TimeOut(step);
    ::Sleep(kPollMs);
    return 0;
  }

  void RecordExit() {
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    Record("{\"step\":\"exit\",\"code\":" + std::to_string(code) + "}");
    exited_ = true;
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
  std::wstring exe_;
  HANDLE process_ = nullptr;
  DWORD process_id_ = 0;
  DWORD main_thread_id_ = 0;
  bool exited_ = false;
  HWND main_ = nullptr;  // the window that the last window step found
  std::vector<std::wstring> scripts_before_;
  std::vector<HWND> windows_before_;
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
