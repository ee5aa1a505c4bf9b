// The main sequence and the worker against the in-memory services: order of operations, the
// progress steps, the boxes and their answers, and the records the replay must not carry out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/uninstaller.h"
#include "platform/memory/memory_process.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"
#include "../support/log_bytes.h"

namespace unroll {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Int32Bytes;
using testing::LogBytes;

// Wraps a file system and fails chosen opens of the log (fault injection).
class FailingLogOpens final : public FileSystem {
 public:
  FailingLogOpens(FileSystem& inner, int fail_from) : inner_(inner), fail_from_(fail_from) {}
  NativeHandle Open(const Text& path, std::uint32_t access, std::uint32_t share,
                    Disposition disposition) override {
    if (path == kLogFileName && ++log_opens_ >= fail_from_) return kInvalidHandle;
    return inner_.Open(path, access, share, disposition);
  }
  bool Read(NativeHandle f, void* b, std::uint32_t s, std::uint32_t* r) override { return inner_.Read(f, b, s, r); }
  bool Write(NativeHandle f, const void* d, std::uint32_t s, std::uint32_t* w) override { return inner_.Write(f, d, s, w); }
  std::uint32_t Size(NativeHandle f) override { return inner_.Size(f); }
  void Close(NativeHandle f) override { inner_.Close(f); }
  bool Delete(const Text& p) override { return inner_.Delete(p); }
  NativeHandle FindFirst(const Text& p, FindData* d) override { return inner_.FindFirst(p, d); }
  bool FindNext(NativeHandle f, FindData* d) override { return inner_.FindNext(f, d); }
  void FindClose(NativeHandle f) override { inner_.FindClose(f); }
  bool RemoveDir(const Text& p) override { return inner_.RemoveDir(p); }

 private:
  FileSystem& inner_;
  int fail_from_;
  int log_opens_ = 0;
};

class UninstallerTest : public ::testing::Test {
 protected:
  UninstallerTest() {
    files_.MakeFolder(u"C:\\App");
    files_.MakeFolder(u"C:\\Elsewhere");
    files_.MakeFolder(u"C:\\Temp");
    files_.MakeFile(u"C:\\App\\uninstall.exe");
    files_.MakeFile(u"C:\\App\\uninstall_l.ifl", "[Uninstall]\r\n");
    files_.SetCurrentDirectory(u"C:\\Elsewhere");
  }

  void WriteLog(const std::string& bytes) { ASSERT_TRUE(files_.MakeFile(u"C:\\App\\uninstall.dat", bytes)); }

  // Runs the main sequence; the worker runs when the main thread first waits for an event.
  unsigned Run(FileSystem* files = nullptr) {
    Services services{files ? *files : files_, process_, ui_, registry_};
    Uninstaller u(services);
    ui_.idle = [this] { process_.RunStartedThread(); };
    try {
      MainSequence(u);
    } catch (const ProcessExited& exited) {
      return exited.code;
    }
    ADD_FAILURE() << "the main sequence returned";
    return 1;
  }

  // Journal entries that start with one of the prefixes, in order.
  std::vector<std::string> Entries(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> out;
    for (const std::string& e : journal_.entries) {
      for (const char* p : prefixes) {
        if (e.rfind(p, 0) == 0) out.push_back(e);
      }
    }
    return out;
  }

  Journal journal_;
  MemoryFileSystem files_{&journal_};
  MemoryProcess process_{files_, &journal_};
  MemoryUi ui_{&journal_};
  MemoryRegistry registry_{&journal_};
};

TEST_F(UninstallerTest, FullRunInOrder) {
  files_.MakeFile(u"C:\\App\\a.txt");
  files_.MakeFolder(u"C:\\App\\data");
  files_.MakeFile(u"C:\\App\\data\\b.txt");
  files_.MakeFile(u"C:\\App\\decoy.txt");
  LogBytes log;
  log.follow_up = "C:\\App\\readme.exe";
  log.install_folder = "C:\\App\\";
  log.step_total = 3;
  log.lines = {"#DF", "a.txt",  // relative: resolves against the program's folder
               "not a tag", "#DRV", "HKEY_CURRENT_USER", "Software\\Editor", "",
               "#DD", "C:\\App\\data", "#DF"};
  WriteLog(log.Build());

  EXPECT_EQ(Run(), 0u);

  EXPECT_THAT(
      Entries({"MessageBox", "Build", "Create", "Set", "Delete", "Remove", "Hide", "Shell", "Exit"}),
      ElementsAre("CreateFile uninstall_l.ifl", "CreateFile uninstall.dat", "MessageBox 36 |",
                  "BuildProgressWindow Uninstall Editor 3", "CreateThread", "SetProgressMaximum 3",
                  "CreateFile uninstall.dat", "DeleteFile a.txt", "SetProgressPosition 1",
                  "DeleteFile C:\\App\\data\\b.txt", "RemoveDirectory C:\\App\\data\\",
                  "SetProgressPosition 2", "DeleteFile  failed", "SetProgressPosition 3",
                  "DeleteFile uninstall.dat", "DeleteFile uninstall_l.ifl",
                  "SetProgressPosition 3 final", "MessageBox 0 |", "HideProgressWindow",
                  "CreateProcess \"C:\\App\\readme.exe\"",
                  "CreateFile C:\\Temp\\{00000001-0000-4000-8000-000000000007}.bat",
                  "SetEnvironmentVariable UNROLL_PROGRAM=C:\\App\\uninstall.exe",
                  "SetEnvironmentVariable UNROLL_FOLDER=C:\\App\\",
                  "ShellExecute hidden C:\\Temp\\{00000001-0000-4000-8000-000000000007}.bat in C:\\Temp\\",
                  "ExitProcess 0"));
  EXPECT_THAT(files_.Tree(), ElementsAre("C:\\", "C:\\App\\", "C:\\App\\decoy.txt",
                                         "C:\\App\\uninstall.exe", "C:\\Elsewhere\\", "C:\\Temp\\",
                                         "C:\\Temp\\{00000001-0000-4000-8000-000000000007}.bat"));
  EXPECT_EQ(files_.OpenHandles(), 0u);
}

TEST_F(UninstallerTest, StartFailuresShowTheFixedErrorBoxAndChangeNothing) {
  struct Case {
    const char* name;
    bool language_file;
    const char* log;  // nullptr: no log
    std::size_t log_size;
  } cases[] = {
      {"no language file", false, "\x07\0\0\0", 4},
      {"no log", true, nullptr, 0},
      {"marker 8", true, "\x08\0\0\0", 4},
      {"empty log", true, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    journal_.entries.clear();
    ui_.boxes.clear();
    files_.Delete(u"C:\\App\\uninstall.dat");
    files_.Delete(u"C:\\App\\uninstall_l.ifl");
    if (c.language_file) files_.MakeFile(u"C:\\App\\uninstall_l.ifl");
    if (c.log) WriteLog(std::string(c.log, c.log_size));
    const auto before = files_.Tree();

    EXPECT_EQ(Run(), 0u);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].title, u"Error");
    EXPECT_EQ(ui_.boxes[0].text, u"Uninstall error!");
    EXPECT_EQ(ui_.boxes[0].type, 0x10u);
    EXPECT_EQ(files_.Tree(), before);
    if (!c.language_file) {
      EXPECT_THAT(Entries({"CreateFile uninstall.dat"}), IsEmpty());
    }
  }
}

TEST_F(UninstallerTest, NoInTheConfirmationEndsWithNothingChanged) {
  files_.MakeFile(u"C:\\App\\a.txt");
  LogBytes log;
  log.lines = {"#DF", "C:\\App\\a.txt"};
  WriteLog(log.Build());
  const auto before = files_.Tree();
  ui_.answer = [](const ShownBox&) { return int{kIdNo}; };
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(files_.Tree(), before);
  EXPECT_THAT(Entries({"CreateThread", "Build"}), IsEmpty());
}

TEST_F(UninstallerTest, ConfirmationThatCouldNotBeShownStillUninstalls) {
  files_.MakeFile(u"C:\\App\\a.txt");
  LogBytes log;
  log.lines = {"#DF", "C:\\App\\a.txt"};
  WriteLog(log.Build());
  ui_.answer = [](const ShownBox&) { return 0; };  // MessageBoxW failed
  EXPECT_EQ(Run(), 0u);
  EXPECT_FALSE(files_.Exists(u"C:\\App\\a.txt"));
}

TEST_F(UninstallerTest, ExitRequestsAskAndOnlyOkEnds) {
  files_.MakeFile(u"C:\\App\\a.txt");
  LogBytes log;
  log.lines = {"#DF", "C:\\App\\a.txt"};
  WriteLog(log.Build());
  // A click on another control and a close request of another window are not exit requests.
  ui_.events = {{UiEvent::kControlClick, kProgressWindow, 5},
                {UiEvent::kCloseRequest, 3, -1},
                {UiEvent::kCloseRequest, kProgressWindow, -1},
                {UiEvent::kControlClick, kProgressWindow, kCancelButton},
                {UiEvent::kCloseRequest, kProgressWindow, -1}};
  int exit_boxes = 0;
  ui_.answer = [&](const ShownBox& box) {
    if (box.type == (kBoxIconQuestion | kBoxYesNo)) return int{kIdYes};
    EXPECT_EQ(box.type, kBoxIconQuestion | kBoxOkCancel);
    return ++exit_boxes < 3 ? int{kIdCancel} : int{kIdOk};
  };
  ui_.idle = nullptr;
  Services services{files_, process_, ui_, registry_};
  Uninstaller u(services);
  EXPECT_THROW(MainSequence(u), ProcessExited);
  EXPECT_EQ(exit_boxes, 3);
  // The worker never ran: the log and the language file remain for a later run.
  EXPECT_TRUE(files_.Exists(u"C:\\App\\a.txt"));
  EXPECT_TRUE(files_.Exists(u"C:\\App\\uninstall.dat"));
  EXPECT_TRUE(files_.Exists(u"C:\\App\\uninstall_l.ifl"));
}

TEST_F(UninstallerTest, WorkerThatCannotReopenTheLogShowsTheLogErrorBox) {
  files_.MakeFile(u"C:\\App\\a.txt");
  LogBytes log;
  log.lines = {"#DF", "C:\\App\\a.txt"};
  WriteLog(log.Build());
  FailingLogOpens failing(files_, 2);
  EXPECT_EQ(Run(&failing), 0u);
  ASSERT_EQ(ui_.boxes.size(), 2u);
  EXPECT_EQ(ui_.boxes[1].type, 0x10u);
  EXPECT_TRUE(files_.Exists(u"C:\\App\\a.txt"));
  EXPECT_TRUE(files_.Exists(u"C:\\App\\uninstall.dat"));
  EXPECT_TRUE(files_.Exists(u"C:\\App\\uninstall_l.ifl"));
}

// Replays log bytes (header included) and returns the deletions and progress steps.
class ReplayTest : public UninstallerTest {
 protected:
  std::vector<std::string> Replay(const std::string& bytes) {
    WriteLog(bytes);
    files_.SetCurrentDirectory(u"C:\\App");
    Services services{files_, process_, ui_, registry_};
    Uninstaller u(services);
    EXPECT_TRUE(u.log.Open());
    journal_.entries.clear();
    ReplayLog(u);
    return Entries({"DeleteFile", "RemoveDirectory", "SetProgressPosition"});
  }
};

TEST_F(ReplayTest, RecordsAndNonRecords) {
  struct Case {
    const char* name;
    LogBytes log;
    std::vector<std::string> calls;
  };
  auto with = [](std::vector<std::string> lines, std::string app = "Editor", std::int32_t total = 1) {
    LogBytes log;
    log.app_name = std::move(app);
    log.step_total = total;
    log.lines = std::move(lines);
    return log;
  };
  const Case cases[] = {
      {"non-tags are skipped one line at a time",
       with({"#df", "x", " #DF", "#DF ", "", "#DF", "a"}),
       {"DeleteFile a failed", "SetProgressPosition 1"}},
      {"the line after a non-tag is read as a tag", with({"#DX", "#DF", "b"}),
       {"DeleteFile b failed", "SetProgressPosition 1"}},
      {"tag on the last line gets empty arguments", with({"#DD", "missing", "#DF"}),
       {"SetProgressPosition 1", "DeleteFile  failed", "SetProgressPosition 2"}},
      {"registry records take their argument lines",
       with({"#DRV", "HKEY_CURRENT_USER", "Software\\A", "#DF", "#DRK", "HKCU", "#DF", "#DF", "c"}),
       {"DeleteFile c failed", "SetProgressPosition 1"}},
      {"header string equal to a tag is no record", with({"#DF", "d"}, "#DF"),
       {"DeleteFile d failed", "SetProgressPosition 1"}},
      {"StepTotal bytes that spell #DF are no record", with({"#DF", "e"}, "Editor", 4604963),
       {"DeleteFile e failed", "SetProgressPosition 1"}},
      {"StepTotal above 16,777,215 keeps the first record", with({"#DF", "f"}, "Editor", 0x41424344),
       {"DeleteFile f failed", "SetProgressPosition 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Replay(c.log.Build()), c.calls);
  }
}

TEST_F(ReplayTest, HeaderLinesNamingFilesAreNeverCarriedOut) {
  files_.MakeFile(u"C:\\App\\victim.txt");
  LogBytes log;
  log.app_name = "#DF";
  log.header_string2 = "victim.txt";
  log.follow_up = "#DD";
  log.install_folder = "C:\\App";
  EXPECT_THAT(Replay(log.Build()), IsEmpty());
  EXPECT_TRUE(files_.Exists(u"C:\\App\\victim.txt"));
}

TEST(LaunchFollowUpProgram, QuotingAndShellFallback) {
  struct Case {
    const char* name;
    Text command;
    bool create_process_works;
    bool shell_works;
    bool result;
    std::vector<std::string> calls;
  } cases[] = {
      {"quoted with arguments", u"\"C:\\A B\\tool.exe\" /x 1", true, true, true,
       {"CreateProcess \"C:\\A B\\tool.exe\" /x 1"}},
      {"unquoted with a space", u"C:\\A B\\tool.exe", true, true, true,
       {"CreateProcess \"C:\\A B\\tool.exe\""}},
      {"document through the shell", u"C:\\A B\\readme.txt", false, true, true,
       {"CreateProcess \"C:\\A B\\readme.txt\" failed", "ShellExecuteEx C:\\A B\\readme.txt in [C:\\A B\\]"}},
      {"backslash only first", u"\\readme.txt", false, true, true,
       {"CreateProcess \"\\readme.txt\" failed", "ShellExecuteEx \\readme.txt in []"}},
      {"both fail", u"readme.txt", false, false, false,
       {"CreateProcess \"readme.txt\" failed", "ShellExecuteEx readme.txt in [] failed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Journal journal;
    MemoryFileSystem files;
    MemoryProcess process(files, &journal);
    process.start_process_succeeds = c.create_process_works;
    process.shell_open_succeeds = c.shell_works;
    EXPECT_EQ(LaunchFollowUpProgram(process, c.command), c.result);
    EXPECT_EQ(journal.entries, c.calls);
  }
}

TEST(ProgramFolder, CutAfterTheLastSeparator) {
  EXPECT_EQ(ProgramFolder(u"C:\\App\\uninstall.exe"), u"C:\\App\\");
  EXPECT_EQ(ProgramFolder(u"\\\\?\\C:\\App\\uninstall.exe"), u"C:\\App\\");
  EXPECT_EQ(ProgramFolder(u"C:\\A.b/c\\d/uninstall.exe"), u"C:\\A.b/c\\d/");
  EXPECT_EQ(ProgramFolder(u"uninstall.exe"), u"");
}

TEST(EndProgram, SecondCallerParksInsteadOfEndingTwice) {
  MemoryFileSystem files;
  MemoryProcess process(files);
  MemoryUi ui;
  MemoryRegistry registry;
  Services services{files, process, ui, registry};
  Uninstaller u(services);
  EXPECT_THROW(EndProgram(u), ProcessExited);
  EXPECT_THROW(EndProgram(u), ThreadParked);
}

}  // namespace
}  // namespace unroll
