// One table of registry cases, run against the in-memory registry on Linux and against the real
// registry under Wine: the result and RegLastError of each operation, and what is left after it.
#include <gtest/gtest.h>

#include <vector>

#include "registry/registry_operations.h"
#include "registry_sandbox.h"

namespace unroll {
namespace {

constexpr std::uint32_t kHkcu = kHkeyCurrentUser;
constexpr std::uint32_t kPerformanceData = 0x80000004u;
constexpr std::uint32_t kDynData = 0x80000006u;

enum class Op { kExists, kDeleteValue, kDeleteKey, kDeleteIfEmpty };

struct Check {
  const char16_t* key;    // "$" stands for the sandbox key
  const char16_t* value;  // nullptr: the key itself is checked
  bool present;
};

struct RegCase {
  const char* name;
  Op op;
  std::uint32_t root;
  const char16_t* path;  // "$" stands for the sandbox key
  const char16_t* value;
  bool result;
  const char16_t* error;
  std::vector<Check> after;
};

const Text kLong255(255, u'v');
const Text kLong254(254, u'w');

Text Expand(const RegistrySandbox& box, const char16_t* text) {
  Text out;
  for (const char16_t* p = text; *p; ++p) {
    if (*p == u'$') {
      out += box.base();
    } else {
      out += *p;
    }
  }
  return out;
}

// Every case starts from the same tree below the sandbox key:
//   Empty            no subkey, no value
//   Values           values "a" and "b"
//   Default          only its unnamed default value
//   Parent\Child     a subkey
//   LongValue        one value whose name has 255 characters
//   LongValue254     one value whose name has 254 characters
//   LongSub\<255 v>  a subkey whose name has 255 characters
//   ReadOnly         value "x"; readable, not writable
void BuildTree(RegistrySandbox& box) {
  const Text b = box.base() + u"\\";
  ASSERT_TRUE(box.CreateKey(b + u"Empty"));
  ASSERT_TRUE(box.SetValue(b + u"Values", u"a"));
  ASSERT_TRUE(box.SetValue(b + u"Values", u"b"));
  ASSERT_TRUE(box.SetValue(b + u"Default", u""));
  ASSERT_TRUE(box.CreateKey(b + u"Parent\\Child"));
  ASSERT_TRUE(box.SetValue(b + u"LongValue", kLong255));
  ASSERT_TRUE(box.SetValue(b + u"LongValue254", kLong254));
  ASSERT_TRUE(box.CreateKey(b + u"LongSub\\" + kLong255));
  ASSERT_TRUE(box.SetValue(b + u"ReadOnly", u"x"));
}

bool RunCase(RegistryOperations& ops, const RegCase& c, const Text& path, const Text& value) {
  switch (c.op) {
    case Op::kExists: return ops.RegKeyExists(c.root, path);
    case Op::kDeleteValue: return ops.RegDeleteValueChecked(c.root, path, value);
    case Op::kDeleteKey: return ops.RegDeleteKeyChecked(c.root, path);
    case Op::kDeleteIfEmpty: return ops.RegDeleteKeyIfEmpty(c.root, path);
  }
  return false;
}

const RegCase kCases[] = {
    {"root 0: exists", Op::kExists, 0, u"$\\Empty", u"", false, kRegRootEmpty, {}},
    {"root 0: value", Op::kDeleteValue, 0, u"$\\Values", u"a", false, kRegRootEmpty, {{u"$\\Values", u"a", true}}},
    {"root 0: key", Op::kDeleteKey, 0, u"$\\Empty", u"", false, kRegRootEmpty, {{u"$\\Empty", nullptr, true}}},
    {"root 0: if empty", Op::kDeleteIfEmpty, 0, u"$\\Empty", u"", false, kRegRootEmpty, {{u"$\\Empty", nullptr, true}}},
    {"performance data passes the root test", Op::kDeleteKey, kPerformanceData, u"$\\Empty", u"", false,
     kRegSubkeyDoesNotExist, {{u"$\\Empty", nullptr, true}}},
    {"dyn data passes the root test", Op::kExists, kDynData, u"$\\Empty", u"", false, kRegSubkeyNotFound, {}},
    {"empty path: exists", Op::kExists, kHkcu, u"", u"", false, kRegSubkeyNameEmpty, {}},
    {"empty path: key", Op::kDeleteKey, kHkcu, u"", u"", false, kRegSubkeyNameEmpty, {}},
    {"single backslash is the root", Op::kExists, kHkcu, u"\\", u"", true, u"", {}},
    {"root is never deleted", Op::kDeleteIfEmpty, kHkcu, u"\\", u"", false, kRegSubkeyNotEmpty, {}},
    {"one leading backslash", Op::kDeleteIfEmpty, kHkcu, u"\\$\\Empty", u"", true, u"", {{u"$\\Empty", nullptr, false}}},
    {"two leading backslashes", Op::kExists, kHkcu, u"\\\\$\\Empty", u"", false, kRegSubkeyNotFound, {}},
    {"two leading backslashes: key", Op::kDeleteKey, kHkcu, u"\\\\$\\Empty", u"", false, kRegSubkeyDoesNotExist,
     {{u"$\\Empty", nullptr, true}}},
    {"trailing backslash", Op::kDeleteIfEmpty, kHkcu, u"$\\Empty\\", u"", true, u"", {{u"$\\Empty", nullptr, false}}},
    {"missing key: exists", Op::kExists, kHkcu, u"$\\Missing", u"", false, kRegSubkeyNotFound, {}},
    {"missing key: value", Op::kDeleteValue, kHkcu, u"$\\Missing", u"a", false, kRegSubkeyDoesNotExist, {}},
    {"missing key: key", Op::kDeleteKey, kHkcu, u"$\\Missing", u"", false, kRegSubkeyDoesNotExist, {}},
    {"missing key: if empty", Op::kDeleteIfEmpty, kHkcu, u"$\\Missing", u"", false, kRegSubkeyDoesNotExist, {}},
    {"value deleted", Op::kDeleteValue, kHkcu, u"$\\Values", u"a", true, u"",
     {{u"$\\Values", u"a", false}, {u"$\\Values", u"b", true}}},
    {"missing value", Op::kDeleteValue, kHkcu, u"$\\Values", u"zzz", false, kRegCannotDeleteValue,
     {{u"$\\Values", u"a", true}}},
    {"default value deleted", Op::kDeleteValue, kHkcu, u"$\\Default", u"", true, u"", {{u"$\\Default", u"", false}}},
    {"key with subkey refused", Op::kDeleteKey, kHkcu, u"$\\Parent", u"", false, kRegCannotDeleteSubkey,
     {{u"$\\Parent\\Child", nullptr, true}}},
    {"key with subkey is not empty", Op::kDeleteIfEmpty, kHkcu, u"$\\Parent", u"", false, kRegSubkeyNotEmpty,
     {{u"$\\Parent\\Child", nullptr, true}}},
    {"key with values deleted with them", Op::kDeleteKey, kHkcu, u"$\\Values", u"", true, u"",
     {{u"$\\Values", nullptr, false}}},
    {"key with values is not empty", Op::kDeleteIfEmpty, kHkcu, u"$\\Values", u"", false, kRegSubkeyNotEmpty,
     {{u"$\\Values", u"a", true}}},
    {"default value alone is content", Op::kDeleteIfEmpty, kHkcu, u"$\\Default", u"", false, kRegSubkeyNotEmpty,
     {{u"$\\Default", u"", true}}},
    {"255-character value name is content", Op::kDeleteIfEmpty, kHkcu, u"$\\LongValue", u"", false,
     kRegSubkeyNotEmpty, {{u"$\\LongValue", nullptr, true}}},
    {"254-character value name is content", Op::kDeleteIfEmpty, kHkcu, u"$\\LongValue254", u"", false,
     kRegSubkeyNotEmpty, {{u"$\\LongValue254", nullptr, true}}},
    {"255-character subkey name is content", Op::kDeleteIfEmpty, kHkcu, u"$\\LongSub", u"", false,
     kRegSubkeyNotEmpty, {{u"$\\LongSub", nullptr, true}}},
    {"empty key deleted", Op::kDeleteIfEmpty, kHkcu, u"$\\Empty", u"", true, u"", {{u"$\\Empty", nullptr, false}}},
    {"key names compare without case", Op::kDeleteKey, kHkcu, u"$\\EMPTY", u"", true, u"", {{u"$\\Empty", nullptr, false}}},
    {"readable key that cannot be written: value", Op::kDeleteValue, kHkcu, u"$\\ReadOnly", u"x", false, u"",
     {{u"$\\ReadOnly", u"x", true}}},
    {"readable key that cannot be written: exists", Op::kExists, kHkcu, u"$\\ReadOnly", u"", true, u"", {}},
    {"readable key that cannot be written: if empty", Op::kDeleteIfEmpty, kHkcu, u"$\\ReadOnly", u"", false,
     kRegSubkeyNotEmpty, {{u"$\\ReadOnly", nullptr, true}}},
};

TEST(RegistryContract, OperationsResultsAndLastError) {
  for (const RegCase& c : kCases) {
    SCOPED_TRACE(c.name);
    auto box = MakeRegistrySandbox();
    BuildTree(*box);
    const bool needs_denied = Text(c.path).find(u"ReadOnly") != Text::npos;
    if (!box->DenyWrite(box->base() + u"\\ReadOnly") && needs_denied) {
      std::printf("known divergence, case skipped: %s: registry access checks are not enforced\n", c.name);
      continue;
    }
    RegistryOperations ops(box->registry());
    // A failure first, so that the case also shows that each operation empties RegLastError.
    (void)ops.RegKeyExists(0, u"x");
    ASSERT_EQ(ops.RegLastError(), kRegRootEmpty);

    EXPECT_EQ(RunCase(ops, c, Expand(*box, c.path), c.value), c.result);
    EXPECT_EQ(ops.RegLastError(), Text(c.error));
    for (const Check& check : c.after) {
      const Text key = Expand(*box, check.key);
      const bool present = check.value ? box->ValueExists(key, check.value) : box->KeyExists(key);
      EXPECT_EQ(present, check.present) << EncodeUtf8(key);
    }
  }
}

TEST(RegistryContract, PruningEmptiesAChainUpToTheFirstKeyThatHoldsSomething) {
  auto box = MakeRegistrySandbox();
  const Text b = box->base();
  ASSERT_TRUE(box->SetValue(b + u"\\App", u"keep"));
  ASSERT_TRUE(box->SetValue(b + u"\\App\\A\\B\\C", u"last"));
  ASSERT_TRUE(box->CreateKey(b + u"\\App\\Sibling"));
  RegistryOperations ops(box->registry());
  ASSERT_TRUE(ops.RegDeleteValueChecked(kHkcu, b + u"\\App\\A\\B\\C", u"last"));
  PruneEmptyParentKeys(ops, kHkcu, b + u"\\App\\A\\B\\C");
  EXPECT_FALSE(box->KeyExists(b + u"\\App\\A"));
  EXPECT_TRUE(box->ValueExists(b + u"\\App", u"keep"));
  EXPECT_TRUE(box->KeyExists(b + u"\\App\\Sibling"));
  EXPECT_EQ(ops.RegLastError(), kRegSubkeyNotEmpty);  // the walk ends at "Software", which holds keys
}

}  // namespace
}  // namespace unroll
