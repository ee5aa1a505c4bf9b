// The self-removal script: its bytes, its name, where it starts, and its failure paths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_process.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"
#include "text/self_removal.h"

namespace unroll {
namespace {

std::string Bytes(bool remove_folder) {
  const std::vector<char> bytes = SelfRemovalScriptBytes(remove_folder);
  return std::string(bytes.begin(), bytes.end());
}

TEST(SelfRemovalScriptBytes, LinesWithAndWithoutFolder) {
  const std::string head =
      "setlocal EnableDelayedExpansion\r\ncd \\\r\nset UNROLL_TRIES=0\r\n:DeleteFile\r\n"
      "del \"!UNROLL_PROGRAM!\"\r\n"
      "if exist \"!UNROLL_PROGRAM!\" set /a UNROLL_TRIES+=1\r\n"
      "if exist \"!UNROLL_PROGRAM!\" if !UNROLL_TRIES! lss 30 ping -n 2 127.0.0.1 >nul\r\n"
      "if exist \"!UNROLL_PROGRAM!\" if !UNROLL_TRIES! lss 30 goto DeleteFile\r\n";
  const std::string tail = "del \"%~f0\"\r\nexit\r\n";
  EXPECT_EQ(Bytes(false), head + tail);
  EXPECT_EQ(Bytes(true), head + "rd \"!UNROLL_FOLDER!\"\r\n" + tail);
}

class SelfRemovalTest : public ::testing::Test {
 protected:
  SelfRemovalTest() {
    files_.MakeFolder(u"C:\\Temp");
    files_.MakeFolder(u"C:\\App");
    files_.SetCurrentDirectory(u"C:\\App");
  }
  Journal journal_;
  MemoryFileSystem files_;
  MemoryProcess process_{files_, &journal_};
  MemoryUi ui_;
  MemoryRegistry registry_;
  Services services_{files_, process_, ui_, registry_};
};

TEST_F(SelfRemovalTest, PathsTravelThroughTheEnvironmentUnchanged) {
  // Spaces, letters outside ASCII and "%" would each break a path written into the script.
  process_.module_file_name = u"\\\\?\\C:\\Pr\u00F6gramme 100%\\App\\uninstall.exe";
  SelfRemovalScript(services_, u"C:\\Pr\u00F6gramme 100%\\App\\");
  EXPECT_THAT(journal_.entries,
              ::testing::ElementsAre(
                  "SetEnvironmentVariable UNROLL_PROGRAM=C:\\Pr\xC3\xB6gramme 100%\\App\\uninstall.exe",
                  "SetEnvironmentVariable UNROLL_FOLDER=C:\\Pr\xC3\xB6gramme 100%\\App\\",
                  "ShellExecute hidden C:\\Temp\\{00000001-0000-4000-8000-000000000007}.bat in C:\\Temp\\"));
  EXPECT_EQ(files_.Contents(u"C:\\Temp\\{00000001-0000-4000-8000-000000000007}.bat"), Bytes(true));
  EXPECT_EQ(files_.OpenHandles(), 0u);
}

TEST_F(SelfRemovalTest, TwoRunsNeverShareAScriptName) {
  SelfRemovalScript(services_, u"");
  SelfRemovalScript(services_, u"");
  EXPECT_TRUE(files_.Exists(u"C:\\Temp\\{00000001-0000-4000-8000-000000000007}.bat"));
  EXPECT_TRUE(files_.Exists(u"C:\\Temp\\{00000002-0000-4000-8000-00000000000E}.bat"));
  EXPECT_EQ(files_.Contents(u"C:\\Temp\\{00000002-0000-4000-8000-00000000000E}.bat"), Bytes(false));
}

TEST_F(SelfRemovalTest, FailurePaths) {
  // No GUID: the script is named ".bat" alone.
  process_.guid_succeeds = false;
  SelfRemovalScript(services_, u"");
  EXPECT_TRUE(files_.Exists(u"C:\\Temp\\.bat"));
  // No long form of the temporary folder: the bare name in the current directory.
  process_.guid_succeeds = true;
  process_.temp_folder = u"";
  files_.SetCurrentDirectory(u"C:\\App");  // the first script moved it to the temporary folder
  SelfRemovalScript(services_, u"");
  EXPECT_TRUE(files_.Exists(u"C:\\App\\{00000001-0000-4000-8000-000000000007}.bat"));
  // A script that cannot be created is neither written nor started.
  journal_.entries.clear();
  process_.temp_folder = u"C:\\Missing\\";
  SelfRemovalScript(services_, u"C:\\App\\");
  EXPECT_THAT(journal_.entries, ::testing::IsEmpty());
}

}  // namespace
}  // namespace unroll
