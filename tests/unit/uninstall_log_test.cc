// The log's line and number reader, its header, and the root names of registry records.
#include <gtest/gtest.h>

#include "engine/uninstall_log.h"
#include "platform/memory/journal.h"
#include "platform/memory/memory_file_system.h"
#include "../support/log_bytes.h"

namespace unroll {
namespace {

using testing::Int32Bytes;

// Reads lines up to the end, with a given buffer size, so that line ends that straddle a block
// boundary are exercised too.
std::vector<Text> ReadAllLines(const std::string& bytes, std::size_t buffer_size) {
  MemoryFileSystem files;
  EXPECT_TRUE(files.MakeFile(u"C:\\uninstall.dat", bytes));
  UninstallLog log(files, buffer_size);
  EXPECT_TRUE(log.Open(u"C:\\uninstall.dat"));
  std::vector<Text> lines;
  Text line;
  while (!log.AtEnd()) {
    log.ReadLine(line);
    lines.push_back(line);
  }
  return lines;
}

struct LineCase {
  const char* name;
  std::string bytes;
  std::vector<Text> lines;
};

TEST(UninstallLogLines, TableOfLineEnds) {
  const std::string long_line(10000, 'x');
  const LineCase cases[] = {
      {"empty file", "", {}},
      {"LF", "a\nb", {u"a", u"b"}},
      {"CR LF", "a\r\nb\r\n", {u"a", u"b"}},
      {"lone CR", "a\rb", {u"a", u"b"}},
      {"LF then CR gives an empty line", "a\n\rb", {u"a", u"", u"b"}},
      {"CR CR LF gives one empty line", "a\r\r\nb", {u"a", u"", u"b"}},
      {"NUL splits a line", std::string("a\0b", 3), {u"a", u"b"}},
      {"lone CR as last byte", "a\r", {u"a"}},
      {"empty lines", "\r\n\n\r", {u"", u"", u""}},
      {"byte-order mark is text", "\xEF\xBB\xBFx", {u"\uFEFFx"}},
      {"FF becomes U+FFFD", "a\xFF" "b\n", {u"a\uFFFDb"}},
      {"10,000-byte line", long_line + "\r\nz", {Text(10000, u'x'), u"z"}},
      {"blanks kept", " #DF \n", {u" #DF "}},
  };
  for (const LineCase& c : cases) {
    for (std::size_t buffer : {1, 2, 3, 7, 65536}) {
      SCOPED_TRACE(std::string(c.name) + ", buffer " + std::to_string(buffer));
      EXPECT_EQ(ReadAllLines(c.bytes, buffer), c.lines);
    }
  }
}

TEST(UninstallLogLines, LineReadAtTheEndIsEmpty) {
  MemoryFileSystem files;
  ASSERT_TRUE(files.MakeFile(u"C:\\uninstall.dat", "#DF"));
  UninstallLog log(files);
  ASSERT_TRUE(log.Open(u"C:\\uninstall.dat"));
  Text line;
  log.ReadLine(line);
  EXPECT_EQ(line, u"#DF");
  EXPECT_TRUE(log.AtEnd());
  log.ReadLine(line);
  EXPECT_EQ(line, u"");
  EXPECT_EQ(log.ReadNumber(), 0);
}

TEST(UninstallLogNumbers, MissingBytesAreHighOrderZeros) {
  struct Case {
    std::string bytes;
    std::int32_t value;
  } cases[] = {
      {"", 0},
      {"\x07", 7},
      {"\x07\x01", 0x107},
      {"\x01\x02\x03", 0x030201},
      {"\xFF\xFF\xFF\xFF", -1},
      {"\x23\x44\x46\x00rest", 4604963},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    MemoryFileSystem files;
    ASSERT_TRUE(files.MakeFile(u"C:\\uninstall.dat", c.bytes));
    UninstallLog log(files, 2);
    ASSERT_TRUE(log.Open(u"C:\\uninstall.dat"));
    EXPECT_EQ(log.ReadNumber(), c.value);
  }
}

TEST(ReadLogHeader, TableOfFiles) {
  struct Case {
    const char* name;
    std::string bytes;
    bool ok;
    LogHeader header;
  };
  const std::string fields = "App\r\nTwo\r\nC:\\App\\readme.exe\r\nC:\\App\\";
  const Case cases[] = {
      {"single byte 07", "\x07", true, {}},
      {"marker alone", Int32Bytes(7), true, {}},
      {"marker 8", Int32Bytes(8), false, {}},
      {"empty file", "", false, {}},
      {"byte-order mark first", "\xEF\xBB\xBF" + Int32Bytes(7), false, {}},
      {"CR LF", Int32Bytes(7) + fields + "\r\n" + Int32Bytes(42), true,
       {u"App", u"Two", u"C:\\App\\readme.exe", u"C:\\App\\", 42}},
      {"LF", Int32Bytes(7) + "App\nTwo\nC:\\App\\readme.exe\nC:\\App\\\n" + Int32Bytes(42), true,
       {u"App", u"Two", u"C:\\App\\readme.exe", u"C:\\App\\", 42}},
      {"lone CR", Int32Bytes(7) + "App\rTwo\rC:\\App\\readme.exe\rC:\\App\\\r" + Int32Bytes(42),
       true, {u"App", u"Two", u"C:\\App\\readme.exe", u"C:\\App\\", 42}},
      {"short StepTotal", Int32Bytes(7) + fields + "\r\n\x05", true,
       {u"App", u"Two", u"C:\\App\\readme.exe", u"C:\\App\\", 5}},
      {"negative StepTotal", Int32Bytes(7) + "\n\n\n\n" + Int32Bytes(-3), true,
       {u"", u"", u"", u"", -3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    ASSERT_TRUE(files.MakeFile(u"uninstall.dat", c.bytes));
    UninstallLog log(files);
    LogHeader header;
    ASSERT_EQ(ReadLogHeader(log, header), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(header.app_name, c.header.app_name);
    EXPECT_EQ(header.header_string2, c.header.header_string2);
    EXPECT_EQ(header.follow_up_program, c.header.follow_up_program);
    EXPECT_EQ(header.install_folder, c.header.install_folder);
    EXPECT_EQ(header.step_total, c.header.step_total);
  }
}

TEST(ReadLogHeader, MissingFileFailsAndOpenHandleIsSharedForReadingOnly) {
  MemoryFileSystem files;
  UninstallLog log(files);
  LogHeader header;
  EXPECT_FALSE(ReadLogHeader(log, header));

  ASSERT_TRUE(files.MakeFile(u"uninstall.dat", Int32Bytes(7)));
  ASSERT_TRUE(ReadLogHeader(log, header));
  // The handle stays open: others may read the log but neither write nor delete it.
  EXPECT_FALSE(files.Delete(u"uninstall.dat"));
  EXPECT_EQ(files.Open(u"uninstall.dat", kGenericWrite, kShareRead | kShareWrite,
                       Disposition::kOpenExisting),
            kInvalidHandle);
  // A second Open closes the first handle: only one is ever held.
  ASSERT_TRUE(log.Open());
  EXPECT_EQ(files.OpenHandles(), 1u);
  log.Close();
  EXPECT_EQ(files.OpenHandles(), 0u);
  EXPECT_TRUE(files.Delete(u"uninstall.dat"));
}

TEST(UninstallLog, ReadsInBlocksNotBytes) {
  MemoryFileSystem files;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += "#DF\r\nC:\\App\\file" + std::to_string(i) + ".txt\r\n";
  ASSERT_TRUE(files.MakeFile(u"uninstall.dat", bytes));
  UninstallLog log(files);
  ASSERT_TRUE(log.Open());
  Text line;
  std::size_t lines = 0;
  while (!log.AtEnd()) {
    log.ReadLine(line);
    ++lines;
  }
  EXPECT_EQ(lines, 200000u);
  EXPECT_LE(files.ReadCalls(), bytes.size() / (64 * 1024) + 2);
}

TEST(RootKeyTable, ExactNamesOnly) {
  EXPECT_EQ(LookupRootKey(u"HKEY_CURRENT_USER"), 0x80000001u);
  for (const char16_t* other : {u"hkey_current_user", u"HKCU", u"HKEY_PERFORMANCE_DATA",
                            u"HKEY_DYN_DATA", u" HKEY_USERS", u""}) {
    EXPECT_EQ(LookupRootKey(other), 0u) << Narrow(other);
  }
}

}  // namespace
}  // namespace unroll
