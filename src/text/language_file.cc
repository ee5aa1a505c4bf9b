// Language file reader.
#include "text/language_file.h"

namespace unroll {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

bool LanguageFile::OpenLanguageFile(const Text& path) {
  CloseLanguageFile();
  // Read and write access shared for reading first, then read access alone, then read access
  // that also lets others write: a file that is read-only or held by an editor still opens.
  struct Mode {
    std::uint32_t access, share;
  };
  constexpr Mode kModes[] = {{kGenericRead | kGenericWrite, kShareRead},
                             {kGenericRead, kShareRead},
                             {kGenericRead, kShareRead | kShareWrite}};
  for (const Mode& mode : kModes) {
    file_.reset(files_.Open(path, mode.access, mode.share, Disposition::kOpenExisting));
    if (file_.valid()) break;
  }
  if (!file_.valid()) return false;

  const std::uint32_t size = files_.Size(file_.get());
  std::vector<char> bytes(size == 0xFFFFFFFFu ? 0 : size);
  std::uint32_t got = 0;
  if (!bytes.empty() && (!files_.Read(file_.get(), bytes.data(), size, &got))) got = 0;
  bytes.resize(got);
  Parse(bytes.data(), bytes.size());
  return true;
}

void LanguageFile::Parse(const char* bytes, std::size_t size) {
  text_.clear();
  entries_.clear();
  group_start_ = 0;
  selection_failed_ = false;
  if (size > 2 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    text_.assign(bytes + 3, bytes + size);
  } else {
    // ISO 8859-1: every byte is the code point of the same value, re-encoded as UTF-8.
    text_.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b < 0x80) {
        text_.push_back(static_cast<char>(b));
      } else {
        text_.push_back(static_cast<char>(0xC0 | (b >> 6)));
        text_.push_back(static_cast<char>(0x80 | (b & 0x3F)));
      }
    }
  }
  // Offsets are 32-bit: a language file beyond 4 GiB is not read.
  if (text_.size() > 0xFFFFFFFFu) text_.clear();

  const std::size_t n = text_.size();
  std::size_t pos = 0;
  auto span = [](std::size_t begin, std::size_t end) {
    return Span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end - begin)};
  };
  while (pos < n) {
    while (pos < n && IsBlank(text_[pos])) ++pos;
    if (pos == n) break;
    if (IsLineEnd(text_[pos])) {
      while (pos < n && IsLineEnd(text_[pos])) ++pos;
      continue;
    }
    std::size_t line_end = pos;
    while (line_end < n && !IsLineEnd(text_[line_end])) ++line_end;
    const char first = text_[pos];
    if (first == '[') {
      std::size_t close = pos + 1;
      while (close < line_end && text_[close] != ']') ++close;
      entries_.push_back({true, span(pos + 1, close), {}});
    } else if (first != ';') {
      std::size_t equals = pos;
      while (equals < line_end && text_[equals] != '=') ++equals;
      std::size_t key_end = equals;
      while (key_end > pos && IsBlank(text_[key_end - 1])) --key_end;
      std::size_t value_begin = equals < line_end ? equals + 1 : line_end;
      std::size_t value_end = line_end;
      while (value_begin < value_end && IsBlank(text_[value_begin])) ++value_begin;
      while (value_end > value_begin && IsBlank(text_[value_end - 1])) --value_end;
      entries_.push_back({false, span(pos, key_end), span(value_begin, value_end)});
    }
    pos = line_end;
  }
  open_ = true;
}

bool LanguageFile::NameEquals(const Span& span, const std::vector<char>& name) const {
  if (span.size != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (FoldAscii(text_[span.begin + i]) != FoldAscii(name[i])) return false;
  }
  return true;
}

bool LanguageFile::SelectGroup(const Text& name) {
  if (name.empty()) {
    group_start_ = 0;
    selection_failed_ = false;
    return true;
  }
  std::vector<char> wanted;
  EncodeUtf8(name, wanted);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].group && NameEquals(entries_[i].name, wanted)) {
      group_start_ = i + 1;
      selection_failed_ = false;
      return true;
    }
  }
  selection_failed_ = true;
  return false;
}

Text LanguageFile::ReadText(const Text& key, const Text& default_text) const {
  if (!open_ || selection_failed_) return default_text;
  std::vector<char> wanted;
  EncodeUtf8(key, wanted);
  for (std::size_t i = group_start_; i < entries_.size() && !entries_[i].group; ++i) {
    if (!NameEquals(entries_[i].name, wanted)) continue;
    // The parser has already cut the blanks off both ends, and decoding never turns another
    // byte into a blank.
    Text value;
    DecodeUtf8(text_.data() + entries_[i].value.begin, entries_[i].value.size, value);
    return value;
  }
  return default_text;
}

void LanguageFile::CloseLanguageFile() {
  file_.reset();
  open_ = false;
  text_.clear();
  entries_.clear();
  group_start_ = 0;
  selection_failed_ = false;
}

}  // namespace unroll
