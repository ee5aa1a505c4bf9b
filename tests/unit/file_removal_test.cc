// RemoveFolder at the path-buffer limit: a folder that cannot be handled without cutting a path
// is left exactly as it is. (The ordinary cases run as file contract cases on both platforms.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/file_removal.h"
#include "platform/memory/memory_file_system.h"

namespace unroll {
namespace {

// An absolute folder path of exactly `length` characters, made of nested folders.
Text FolderOfLength(MemoryFileSystem& files, std::size_t length) {
  Text path = u"C:";
  while (path.size() < length) {
    const std::size_t part = std::min<std::size_t>(100, length - path.size() - 1);
    path += u"\\" + Text(std::max<std::size_t>(part, 1), u'd');
  }
  path.resize(length, u'd');
  EXPECT_TRUE(files.MakeFolder(path));
  return path;
}

TEST(RemoveFolderLimits, PrefixAndPatternMustFit) {
  struct Case {
    std::size_t length;
    bool trailing_backslash;
    bool removed;
  } cases[] = {
      {257, false, true},   // prefix 258 + "*.*" = 261: fits
      {258, false, false},  // 262 would not fit
      {257, true, true},    // with its backslash already: prefix 258
      {259, true, false},
      {261, false, false},  // longer than MAX_PATH: never cut to another folder's name
      {300, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + (c.trailing_backslash ? " with backslash" : ""));
    Journal journal;
    MemoryFileSystem files(&journal);
    const std::size_t length = c.trailing_backslash ? c.length - 1 : c.length;
    Text folder = FolderOfLength(files, length);
    ASSERT_TRUE(files.MakeFile(folder + u"\\f"));
    if (c.trailing_backslash) folder += u"\\";
    ASSERT_EQ(folder.size(), c.length);
    EXPECT_EQ(RemoveFolder(files, folder), c.removed);
    EXPECT_EQ(files.Exists(folder), !c.removed);
    if (!c.removed) {
      EXPECT_THAT(journal.entries, ::testing::IsEmpty());
    }
  }
}

TEST(RemoveFolderLimits, OneOverlongFileNameKeepsEveryFile) {
  Journal journal;
  MemoryFileSystem files(&journal);
  const Text folder = FolderOfLength(files, 200);
  ASSERT_TRUE(files.MakeFile(folder + u"\\a.txt"));
  ASSERT_TRUE(files.MakeFile(folder + u"\\" + Text(61, u'n')));  // 201 + 61 = 262: does not fit
  ASSERT_TRUE(files.MakeFile(folder + u"\\z.txt"));
  EXPECT_FALSE(RemoveFolder(files, folder));
  EXPECT_TRUE(files.Exists(folder + u"\\a.txt"));
  EXPECT_TRUE(files.Exists(folder + u"\\z.txt"));
  EXPECT_THAT(journal.entries, ::testing::IsEmpty());

  // At exactly 261 characters the name fits, and the folder goes.
  ASSERT_TRUE(files.Delete(folder + u"\\" + Text(61, u'n')));
  ASSERT_TRUE(files.MakeFile(folder + u"\\" + Text(60, u'n')));
  EXPECT_TRUE(RemoveFolder(files, folder));
}

TEST(RemoveFolderLimits, OverlongSubfolderNameIsSkippedLikeAnySubfolder) {
  MemoryFileSystem files;
  const Text folder = FolderOfLength(files, 200);
  ASSERT_TRUE(files.MakeFolder(folder + u"\\" + Text(80, u's')));
  ASSERT_TRUE(files.MakeFile(folder + u"\\a.txt"));
  EXPECT_FALSE(RemoveFolder(files, folder));
  EXPECT_FALSE(files.Exists(folder + u"\\a.txt"));
  EXPECT_TRUE(files.Exists(folder + u"\\" + Text(80, u's')));
}

}  // namespace
}  // namespace unroll
