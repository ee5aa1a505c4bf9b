// The language file: one table of file bytes to the ten texts of the table, and the reader's
// open modes.
#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"
#include "text/language_file.h"
#include "text/text_table.h"

namespace unroll {
namespace {

// The texts in table order: BM_T, BM, Success, Header, Header_b, Uninstalling, Btn_cancel,
// ExitUninstall_T, ExitUninstall, Success_T.
using Texts = std::vector<Text>;

Texts Load(const std::string& bytes, bool* opened = nullptr) {
  MemoryFileSystem files;
  files.MakeFile(kLanguageFileName, bytes);
  TextTable t;
  const bool ok = LoadTextTable(files, t);
  if (opened) *opened = ok;
  EXPECT_EQ(files.OpenHandles(), 0u);
  return {t.bm_t, t.bm, t.success, t.header, t.header_b, t.uninstalling, t.btn_cancel,
          t.exit_uninstall_t, t.exit_uninstall, t.success_t};
}

Texts Only(std::size_t index, const Text& value) {
  Texts texts(10);
  texts[index] = value;
  return texts;
}

TEST(LanguageFile, TableOfFiles) {
  const std::string all =
      "[Uninstall]\r\nBM_T=Remove\r\nBM=Remove <appname>?\r\nSuccess=Done\r\nHeader=Head\r\n"
      "Header_b=Sub\r\nUninstalling=Removing\r\nBtn_cancel=&Cancel\r\nExitUninstall_T=Stop\r\n"
      "ExitUninstall=Stop now?\r\nSuccess_T=Finished\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    Texts texts;
  } cases[] = {
      {"all ten keys", all,
       {u"Remove", u"Remove <appname>?", u"Done", u"Head", u"Sub", u"Removing", u"&Cancel", u"Stop",
        u"Stop now?", u"Finished"}},
      {"mark then UTF-8", "\xEF\xBB\xBF[Uninstall]\nBM_T=\xC3\xA9", Only(0, u"\u00E9")},
      {"UTF-8 bytes without a mark are Latin-1", "[Uninstall]\nBM_T=\xC3\xA9", Only(0, u"\u00C3\u00A9")},
      {"Latin-1 byte", "[Uninstall]\nBM_T=caf\xE9", Only(0, u"caf\u00E9")},
      {"0x80 is a control character, not the euro sign", "[Uninstall]\nBM_T=\x80", Only(0, u"\u0080")},
      {"malformed UTF-8 after a mark", "\xEF\xBB\xBF[Uninstall]\nBM_T=a\xFF" "b", Only(0, u"a\uFFFDb")},
      {"LF and lone CR", "[Uninstall]\rBM_T=a\nBM=b\r\n\r\n\n\rSuccess=c", {u"a", u"b", u"c", {}, {}, {}, {}, {}, {}, {}}},
      {"blanks around key, equals sign and value", "[Uninstall]\n \t BM_T \t=\t  x y \t\n", Only(0, u"x y")},
      {"comment line", "[Uninstall]\n  ;BM_T=x\nBM=a;b\n", Only(1, u"a;b")},
      {"header without closing bracket", "[Uninstall\nBM_T=x", Only(0, u"x")},
      {"comment after a header", "[Uninstall] ; texts\nBM_T=x", Only(0, u"x")},
      {"group and key case", "[uNINSTALL]\nbm_t=x", Only(0, u"x")},
      {"blanks inside the brackets", "[ Uninstall ]\nBM_T=x", Texts(10)},
      {"first of two groups and first of two keys", "[Uninstall]\nBM_T=1\nBM_T=2\n[Uninstall]\nBM=3",
       Only(0, u"1")},
      {"equals and quotes stay in the value", "[Uninstall]\nBM_T=a = \"b\"", Only(0, u"a = \"b\"")},
      {"line without equals is a key with an empty value", "[Uninstall]\nHeader\r\nHeader_b=x",
       [] { Texts t(10); t[4] = u"x"; return t; }()},
      {"keys before the first group and in another group", "BM_T=early\n[Other]\nBM=other\n[Uninstall]\n",
       Texts(10)},
      {"group missing", "[Setup]\nBM_T=x", Texts(10)},
      {"UTF-16 file", std::string("\xFF\xFE[\0U\0", 6), Texts(10)},
      {"empty file", "", Texts(10)},
      {"mark alone", "\xEF\xBB\xBF", Texts(10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool opened = false;
    EXPECT_EQ(Load(c.bytes, &opened), c.texts);
    EXPECT_TRUE(opened);
  }
}

TEST(LanguageFile, OpenModesAndMissingFile) {
  MemoryFileSystem files;
  TextTable texts;
  EXPECT_FALSE(LoadTextTable(files, texts));

  // A read-only file, and a file that another program holds open for writing, still open.
  ASSERT_TRUE(files.MakeFile(kLanguageFileName, "[Uninstall]\nBM_T=x", kAttributeReadOnly));
  EXPECT_TRUE(LoadTextTable(files, texts));
  EXPECT_EQ(texts.bm_t, u"x");
  ASSERT_TRUE(files.MakeFile(kLanguageFileName, "[Uninstall]\nBM_T=y"));
  UniqueFile editor(FileCloser{&files}, files.Open(kLanguageFileName, kGenericRead | kGenericWrite,
                                                   kShareRead | kShareWrite, Disposition::kOpenExisting));
  ASSERT_TRUE(editor.valid());
  EXPECT_TRUE(LoadTextTable(files, texts));
  EXPECT_EQ(texts.bm_t, u"y");
}

TEST(LanguageFile, SelectionRules) {
  MemoryFileSystem files;
  LanguageFile file(files);
  const std::string bytes = "Top=t\n[A]\nKey=a\n[B]\nKey=b\n";
  file.Parse(bytes.data(), bytes.size());
  EXPECT_EQ(file.ReadText(u"Top", u"d"), u"t");  // no group selected: the lines before the first
  EXPECT_TRUE(file.SelectGroup(u"b"));
  EXPECT_EQ(file.ReadText(u"Key", u"d"), u"b");
  EXPECT_FALSE(file.SelectGroup(u"C"));
  EXPECT_EQ(file.ReadText(u"Key", u"d"), u"d");  // a failed selection yields defaults
  EXPECT_TRUE(file.SelectGroup(u""));
  EXPECT_EQ(file.ReadText(u"Top", u"d"), u"t");
  EXPECT_EQ(file.ReadText(u"Key", u"d"), u"d");
}

TEST(ApplyAppName, Table) {
  struct Case {
    const char16_t* text;
    const char16_t* name;
    const char16_t* result;
  } cases[] = {
      {u"Remove <appname> now?", u"Editor", u"Remove Editor now?"},
      {u"<appname> and <appname>", u"E", u"E and E"},
      {u"<APPNAME> stays", u"E", u"<APPNAME> stays"},
      {u"<appname><appname>", u"", u""},
      {u"<app<appname>name>", u"X", u"<appXname>"},
      {u"<appname>", u"<appname>", u"<appname>"},
      {u"<appnam", u"E", u"<appnam"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAppName(c.text, c.name), c.result) << EncodeUtf8(c.text);
  }
  TextTable texts;
  for (Text* t : {&texts.bm_t, &texts.bm, &texts.success, &texts.header, &texts.header_b,
                  &texts.uninstalling, &texts.btn_cancel, &texts.exit_uninstall_t,
                  &texts.exit_uninstall, &texts.success_t}) {
    *t = u"<appname>";
  }
  ApplyAppName(texts, u"E");
  EXPECT_EQ(texts.bm, u"E");
  EXPECT_EQ(texts.success, u"E");
  EXPECT_EQ(texts.header_b, u"E");
  for (const Text* t : {&texts.bm_t, &texts.header, &texts.uninstalling, &texts.btn_cancel,
                        &texts.exit_uninstall_t, &texts.exit_uninstall, &texts.success_t}) {
    EXPECT_EQ(*t, u"<appname>");
  }
}

}  // namespace
}  // namespace unroll
