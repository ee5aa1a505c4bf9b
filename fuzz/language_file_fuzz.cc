// Fuzzes the language-file parser and its lookups with arbitrary file bytes: nothing may crash
// or read out of bounds, and every text handed out is valid UTF-16 without blanks at its ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/memory/memory_file_system.h"
#include "text/language_file.h"

using namespace unroll;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFileSystem files;
  LanguageFile file(files);
  file.Parse(reinterpret_cast<const char*>(data), size);
  for (const char16_t* group : {u"Uninstall", u"", u"uninstall"}) {
    (void)file.SelectGroup(group);
    for (const char16_t* key : {u"BM_T", u"BM", u"Success", u"Header", u"Header_b"}) {
      const Text text = file.ReadText(key, u"");
      if (!text.empty() && (text.front() == u' ' || text.front() == u'\t' || text.back() == u' ' ||
                            text.back() == u'\t')) {
        std::abort();
      }
      for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
          if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) std::abort();
          ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
          std::abort();
        }
      }
    }
  }
  return 0;
}
