// "uninstall_l.ifl": groups in brackets and key = value lines, read as UTF-8 after a byte-order
// mark or else as ISO 8859-1.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/services.h"

namespace unroll {

class LanguageFile {
 public:
  explicit LanguageFile(FileSystem& files) : files_(files), file_(FileCloser{&files}) {}

  // Closes any open file, then opens, reads (one read of the whole file) and parses this one.
  // False when the file cannot be opened; every read then yields its default.
  bool OpenLanguageFile(const Text& path);
  // Makes the first group of that name (ASCII letters compared without case) the current one;
  // the empty name selects the lines before the first group. False, and every read yields its
  // default until the next successful selection, when there is no such group.
  bool SelectGroup(const Text& name);
  // The value of the first matching key of the current group, blanks at both ends removed; a
  // copy of `default_text` when the key is absent. Malformed UTF-8 after a byte-order mark
  // decodes to U+FFFD, as in the log.
  Text ReadText(const Text& key, const Text& default_text) const;
  void CloseLanguageFile();

  // Parses file bytes as OpenLanguageFile does, without a file (tests and fuzzing).
  void Parse(const char* bytes, std::size_t size);

 private:
  struct Span {
    std::uint32_t begin = 0;
    std::uint32_t size = 0;
  };
  struct Entry {
    bool group;
    Span name;   // group name or key
    Span value;  // key entries only
  };

  bool NameEquals(const Span& span, const std::vector<char>& name) const;

  FileSystem& files_;
  UniqueFile file_;
  bool open_ = false;
  std::vector<char> text_;  // the decoded file, as UTF-8
  std::vector<Entry> entries_;
  std::size_t group_start_ = 0;  // index of the first entry after the current group's header
  bool selection_failed_ = false;
};

}  // namespace unroll
