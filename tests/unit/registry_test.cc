// Parent-key pruning, registry records in the replay, and a property test: replaying random
// registry records over random key trees removes nothing beyond the named values and keys and the
// ancestors they left empty.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "engine/uninstaller.h"
#include "platform/memory/memory_process.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"
#include "../support/log_bytes.h"

namespace unroll {
namespace {

using ::testing::ElementsAre;

constexpr std::uint32_t kHkcu = 0x80000001u;
constexpr std::uint32_t kHklm = 0x80000002u;

TEST(PruneLevels, DeepestFirstOneCallPerBackslash) {
  struct Case {
    const char16_t* path;
    std::vector<Text> levels;
  } cases[] = {
      {u"A\\B\\C", {u"A\\B\\C\\", u"A\\B\\", u"A\\"}},
      {u"A\\B\\C\\", {u"A\\B\\C\\", u"A\\B\\", u"A\\"}},
      {u"A", {u"A\\"}},
      {u"\\A\\B", {u"\\A\\B\\", u"\\A\\", u"\\"}},
      {u"", {u"\\"}},
      {u"A\\\\B", {u"A\\\\B\\", u"A\\\\", u"A\\"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(EncodeUtf8(c.path));
    EXPECT_EQ(PruneLevels(c.path), c.levels);
  }
}

TEST(PruneEmptyParentKeys, WorkedExampleAfterAKeyRecord) {
  MemoryRegistry registry;
  registry.CreateKey(kHklm, u"A\\B\\C");
  registry.SetValue(kHklm, u"A", u"kept");
  RegistryOperations ops(registry);
  ASSERT_TRUE(ops.RegDeleteKeyChecked(kHklm, u"A\\B\\C"));
  PruneEmptyParentKeys(ops, kHklm, u"A\\B\\C");
  EXPECT_FALSE(registry.KeyExists(kHklm, u"A\\B"));
  EXPECT_TRUE(registry.ValueExists(kHklm, u"A", u"kept"));
  EXPECT_EQ(ops.RegLastError(), kRegSubkeyNotEmpty);

  // A key that still has a subkey: every level refuses, nothing goes.
  registry.CreateKey(kHklm, u"X\\Y\\Z");
  ASSERT_FALSE(ops.RegDeleteKeyChecked(kHklm, u"X\\Y"));
  PruneEmptyParentKeys(ops, kHklm, u"X\\Y");
  EXPECT_TRUE(registry.KeyExists(kHklm, u"X\\Y\\Z"));
  EXPECT_EQ(ops.RegLastError(), kRegSubkeyNotEmpty);

  // With root 0 every level fails at the root test, and the walk still visits all of them.
  PruneEmptyParentKeys(ops, 0, u"X\\Y\\Z");
  EXPECT_TRUE(registry.KeyExists(kHklm, u"X\\Y\\Z"));
  EXPECT_EQ(ops.RegLastError(), kRegRootEmpty);
}

class RegistryReplayTest : public ::testing::Test {
 protected:
  RegistryReplayTest() {
    files_.MakeFolder(u"C:\\App");
    files_.SetCurrentDirectory(u"C:\\App");
  }

  void Replay(const std::vector<std::string>& lines) {
    testing::LogBytes log;
    log.lines = lines;
    files_.MakeFile(u"C:\\App\\uninstall.dat", log.Build());
    Uninstaller u(services_);
    ASSERT_TRUE(u.log.Open());
    ReplayLog(u);
    EXPECT_EQ(u.step_counter, 0);  // registry records are no progress steps
    EXPECT_EQ(registry_.OpenKeys(), 0u);
  }

  Journal journal_;
  MemoryFileSystem files_;
  MemoryProcess process_{files_};
  MemoryUi ui_{&journal_};
  MemoryRegistry registry_;
  Services services_{files_, process_, ui_, registry_};
};

TEST_F(RegistryReplayTest, RecordsRemoveWhatTheyNameAndTheEmptiedParents) {
  registry_.SetValue(kHkcu, u"Software\\Editor\\Settings", u"");
  registry_.SetValue(kHkcu, u"Software\\Editor\\Settings", u"Theme");
  registry_.SetValue(kHkcu, u"Software\\Decoy", u"Theme");
  registry_.CreateKey(kHklm, u"Software\\Editor\\Plugins\\Spell");
  registry_.SetValue(kHklm, u"Software\\Editor", u"Path");
  registry_.CreateKey(kHklm, u"Software\\Editor\\Busy\\Child");
  Replay({"#DRV", "HKEY_CURRENT_USER", "Software\\Editor\\Settings", "",
          "#DRV", "HKEY_CURRENT_USER", "Software\\Editor\\Settings", "Theme",
          "#DRK", "HKEY_LOCAL_MACHINE", "Software\\Editor\\Plugins\\Spell",
          "#DRK", "HKEY_LOCAL_MACHINE", "Software\\Editor\\Busy"});
  EXPECT_THAT(registry_.Tree(),
              ElementsAre("HKCU\\Software\\", "HKCU\\Software\\Decoy\\", "HKCU\\Software\\Decoy\\=Theme",
                          "HKLM\\Software\\", "HKLM\\Software\\Editor\\", "HKLM\\Software\\Editor\\=Path",
                          "HKLM\\Software\\Editor\\Busy\\", "HKLM\\Software\\Editor\\Busy\\Child\\"));
}

TEST_F(RegistryReplayTest, RootNamesOutsideTheTableChangeNothing) {
  registry_.SetValue(kHkcu, u"Software\\Editor", u"Theme");
  const auto before = registry_.Tree();
  Replay({"#DRV", "HKEY_CURRENT_USER", "Software\\Missing", "x",  // a known root first
          "#DRV", "HKCU", "Software\\Editor", "Theme",
          "#DRV", "hkey_current_user", "Software\\Editor", "Theme",
          "#DRK", "HKEY_PERFORMANCE_DATA", "Software\\Editor",
          "#DRK", "", "Software\\Editor"});
  EXPECT_EQ(registry_.Tree(), before);
}

// Random trees of a few levels below two roots, with values and default values, and random
// records that name existing or missing keys and values in random case, sometimes with a
// leading or trailing backslash.
TEST_F(RegistryReplayTest, PropertyNothingOutsideTheRecordsIsRemoved) {
  std::mt19937 random(20261211);
  const char* names[] = {"a", "b", "c", "Ab"};
  const std::uint32_t roots[] = {kHkcu, kHklm};
  const char* root_names[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  auto fold = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    registry_ = MemoryRegistry();
    struct Value {
      std::size_t root;
      std::string key, name;
    };
    std::vector<std::pair<std::size_t, std::string>> keys;
    std::vector<Value> values;
    for (int k = 0; k < 12; ++k) {
      std::string path = "S";
      for (std::size_t depth = pick(4); depth > 0; --depth) path += std::string("\\") + names[pick(4)];
      const std::size_t root = pick(2);
      registry_.CreateKey(roots[root], DecodeUtf8(path));
      keys.emplace_back(root, path);
      if (pick(2)) {
        const std::string name = pick(3) ? names[pick(4)] : "";
        registry_.SetValue(roots[root], DecodeUtf8(path), DecodeUtf8(name));
        values.push_back({root, path, name});
      }
    }
    std::vector<std::string> lines;
    std::set<std::pair<std::size_t, std::string>> named_keys, record_paths;
    std::set<std::tuple<std::size_t, std::string, std::string>> named_values;
    for (int r = 0; r < 6; ++r) {
      const auto& [root, base] = keys[pick(keys.size())];
      std::string path = base;
      if (pick(3) == 0) path += std::string("\\") + names[pick(4)];
      std::string spelled = path;
      for (char& c : spelled) c = pick(2) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      if (pick(5) == 0) spelled = "\\" + spelled;
      if (pick(5) == 0) spelled += "\\";
      record_paths.insert({root, fold(path)});
      if (pick(2)) {
        const std::string name = pick(3) ? names[pick(4)] : "";
        lines.insert(lines.end(), {"#DRV", root_names[root], spelled, name});
        named_values.insert({root, fold(path), fold(name)});
      } else {
        lines.insert(lines.end(), {"#DRK", root_names[root], spelled});
        named_keys.insert({root, fold(path)});
      }
    }
    Replay(lines);

    auto is_ancestor_of_a_record = [&](std::size_t root, const std::string& key) {
      for (const auto& [r, p] : record_paths) {
        if (r == root && (p == fold(key) || p.rfind(fold(key) + "\\", 0) == 0)) return true;
      }
      return false;
    };
    for (const Value& v : values) {
      const bool named = named_values.count({v.root, fold(v.key), fold(v.name)}) ||
                         named_keys.count({v.root, fold(v.key)});
      if (!named) {
        EXPECT_TRUE(registry_.ValueExists(roots[v.root], DecodeUtf8(v.key), DecodeUtf8(v.name)))
            << v.key << " = " << v.name;
      }
    }
    for (const auto& [root, key] : keys) {
      if (!is_ancestor_of_a_record(root, key)) {
        EXPECT_TRUE(registry_.KeyExists(roots[root], DecodeUtf8(key))) << key;
      }
    }
  }
}

}  // namespace
}  // namespace unroll
