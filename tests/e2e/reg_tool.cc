// e2e_reg: sets up and reads back registry keys in the test prefix, so that one Wine start lays
// out a scenario's keys and one reads them back.
//
//   e2e_reg COMMANDS OUT
//
// COMMANDS is a UTF-8 file, one command a line, its fields separated by tabs:
//   clear PATH                   deletes the key with everything under it (none there is fine)
//   key PATH                     creates the key and the keys above it
//   sz PATH NAME DATA            sets a REG_SZ value (an empty NAME is the default value)
//   dword PATH NAME NUMBER       sets a REG_DWORD value
//   dump PATH                    writes the key and everything under it to OUT
// PATH starts with a root: HKCU, HKLM, HKCR, HKU or HKCC (or the long HKEY_... names).
//
// OUT (UTF-8) gets the dumps, sorted: a line per key, its full path as the command named it, and a
// line per value, "PATH<tab>"NAME"<tab>TYPE:DATA", the default value's name written as @. A key
// that does not exist dumps as no line. On the first command that fails, OUT gets a last line
// "error<tab>LINE<tab>CODE" and the exit code is 1.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tool_text.h"

namespace {

struct RootName {
  const wchar_t* short_name;
  const wchar_t* long_name;
  HKEY root;
};
const RootName kRoots[] = {
    {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKU", L"HKEY_USERS", HKEY_USERS},
    {L"HKCC", L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

// Registry names are at most 255 characters, value names 16,383.
constexpr DWORD kKeyNameSize = 256;
constexpr DWORD kValueNameSize = 16384;

std::vector<std::wstring> Split(const std::wstring& line, wchar_t separator) {
  std::vector<std::wstring> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(separator, start);
    fields.push_back(line.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) return fields;
    start = end + 1;
  }
}

// Splits "ROOT\sub\key" into the root's handle and "sub\key"; false for an unknown root.
bool ParsePath(const std::wstring& path, HKEY& root, std::wstring& subkey) {
  const std::size_t slash = path.find(L'\\');
  const std::wstring name = path.substr(0, slash);
  subkey = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
  for (const RootName& row : kRoots) {
    if (name == row.short_name || name == row.long_name) {
      root = row.root;
      return true;
    }
  }
  return false;
}

LONG DeleteTree(HKEY parent, const std::wstring& subkey) {
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ | DELETE, &key);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  // Always the first subkey: the previous one is gone by then.
  for (;;) {
    wchar_t name[kKeyNameSize];
    DWORD size = kKeyNameSize;
    status = ::RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    status = DeleteTree(key, name);
    if (status != ERROR_SUCCESS) break;
  }
  ::RegCloseKey(key);
  if (status != ERROR_NO_MORE_ITEMS) return status;
  return ::RegDeleteKeyW(parent, subkey.c_str());
}

LONG CreateKey(HKEY root, const std::wstring& subkey, HKEY* key) {
  return ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, key, nullptr);
}

LONG SetValue(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD type,
              const void* data, DWORD size) {
  HKEY key = nullptr;
  LONG status = CreateKey(root, subkey, &key);
  if (status != ERROR_SUCCESS) return status;
  status = ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  ::RegCloseKey(key);
  return status;
}

std::wstring ValueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  wchar_t number[16];
  if (type == REG_SZ) {
    // The stored size counts the terminating zero; drop it (and an odd byte, which REG_SZ never
    // has from RegSetValueExW).
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return L"sz:" + text;
  }
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    std::swprintf(number, 16, L"%lu", static_cast<unsigned long>(value));
    return std::wstring(L"dword:") + number;
  }
  std::swprintf(number, 16, L"type%lu:", static_cast<unsigned long>(type));
  std::wstring text = number;
  for (DWORD i = 0; i < size; ++i) {
    std::swprintf(number, 16, L"%02x", data[i]);
    text += number;
  }
  return text;
}

LONG Dump(HKEY parent, const std::wstring& subkey, const std::wstring& path,
          std::vector<std::wstring>& lines) {
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ, &key);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  lines.push_back(path);

  std::vector<wchar_t> name(kValueNameSize);
  std::vector<BYTE> data;
  for (DWORD i = 0;; ++i) {
    DWORD name_size = kValueNameSize;
    DWORD type = 0;
    DWORD data_size = 0;
    status = ::RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, nullptr, &data_size);
    if (status != ERROR_SUCCESS) break;
    data.assign(data_size + sizeof(wchar_t), 0);
    name_size = kValueNameSize;
    status = ::RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, data.data(),
                             &data_size);
    if (status != ERROR_SUCCESS) break;
    const std::wstring value_name(name.data(), name_size);
    lines.push_back(path + L"\t" + (value_name.empty() ? L"@" : L"\"" + value_name + L"\"") +
                    L"\t" + ValueText(type, data, data_size));
  }
  if (status == ERROR_NO_MORE_ITEMS) {
    for (DWORD i = 0;; ++i) {
      wchar_t child[kKeyNameSize];
      DWORD size = kKeyNameSize;
      status = ::RegEnumKeyExW(key, i, child, &size, nullptr, nullptr, nullptr, nullptr);
      if (status != ERROR_SUCCESS) break;
      status = Dump(key, child, path + L"\\" + child, lines);
      if (status != ERROR_SUCCESS) break;
    }
  }
  ::RegCloseKey(key);
  return status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status;
}

// Runs one command line; ERROR_SUCCESS or the code that made it fail (ERROR_BAD_COMMAND for a
// line this program does not know).
LONG Run(const std::wstring& line, std::vector<std::wstring>& dumped) {
  const std::vector<std::wstring> fields = Split(line, L'\t');
  const std::wstring& command = fields[0];
  HKEY root = nullptr;
  std::wstring subkey;
  if (fields.size() < 2 || !ParsePath(fields[1], root, subkey)) return ERROR_BAD_COMMAND;
  if (command == L"clear" && fields.size() == 2) {
    if (subkey.empty()) return ERROR_BAD_COMMAND;  // never a whole root
    return DeleteTree(root, subkey);
  }
  if (command == L"key" && fields.size() == 2) {
    HKEY key = nullptr;
    const LONG status = CreateKey(root, subkey, &key);
    if (status == ERROR_SUCCESS) ::RegCloseKey(key);
    return status;
  }
  if (command == L"sz" && fields.size() == 4) {
    const std::wstring& data = fields[3];
    return SetValue(root, subkey, fields[2], REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  if (command == L"dword" && fields.size() == 4) {
    const DWORD number = static_cast<DWORD>(std::wcstoul(fields[3].c_str(), nullptr, 10));
    return SetValue(root, subkey, fields[2], REG_DWORD, &number, sizeof number);
  }
  if (command == L"dump" && fields.size() == 2) return Dump(root, subkey, fields[1], dumped);
  return ERROR_BAD_COMMAND;
}

bool ReadAll(const wchar_t* path, std::string& text) {
  FILE* file = ::_wfopen(path, L"rb");
  if (file == nullptr) return false;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    text.append(buffer, got);
  }
  std::fclose(file);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: e2e_reg COMMANDS OUT\n", stderr);
    return 2;
  }
  std::string commands;
  if (!ReadAll(argv[1], commands)) {
    std::fputs("e2e_reg: cannot read the commands\n", stderr);
    return 2;
  }
  std::vector<std::wstring> lines;
  std::wstring failure;
  for (std::wstring line : Split(Utf16(commands), L'\n')) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty()) continue;
    std::vector<std::wstring> dumped;
    const LONG status = Run(line, dumped);
    if (status != ERROR_SUCCESS) {
      failure = L"error\t" + line + L"\t" + std::to_wstring(status);
      break;
    }
    std::sort(dumped.begin(), dumped.end());
    lines.insert(lines.end(), dumped.begin(), dumped.end());
  }
  if (!failure.empty()) lines.push_back(failure);

  FILE* out = ::_wfopen(argv[2], L"wb");
  if (out == nullptr) {
    std::fputs("e2e_reg: cannot write the output\n", stderr);
    return 2;
  }
  for (const std::wstring& line : lines) {
    const std::string text = Utf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
  }
  const bool written = std::fclose(out) == 0;
  return !written ? 2 : failure.empty() ? 0 : 1;
}
