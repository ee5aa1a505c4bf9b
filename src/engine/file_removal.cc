// File and folder removal.
#include "engine/file_removal.h"

namespace unroll {
namespace {

// A joined path (folder prefix + entry name, or prefix + "*.*") lives in a buffer of
// MAX_PATH + 2 characters including its terminating zero.
constexpr std::size_t kMaxJoinedPath = kMaxPath + 1;
constexpr char16_t kListPattern[] = u"*.*";

bool IsFolder(const FindData& entry) { return (entry.attributes & kAttributeDirectory) != 0; }

// Lists the folder and calls visit(entry) for each entry; false when the listing cannot be
// opened.
template <typename Visit>
bool ForEachEntry(FileSystem& files, const Text& prefix, Visit visit) {
  FindData entry;
  UniqueFind find(FindCloser{&files}, files.FindFirst(prefix + kListPattern, &entry));
  if (!find.valid()) return false;
  do {
    if (!visit(entry)) break;
  } while (files.FindNext(find.get(), &entry));
  return true;
}

}  // namespace

bool RemoveFile(FileSystem& files, const Text& path) { return files.Delete(path); }

bool RemoveFolder(FileSystem& files, const Text& path) {
  if (path.empty()) return false;
  // Never cut the path at the buffer size: a cut path would name another folder.
  if (path.size() > kMaxPath) return false;
  Text prefix = path;
  if (prefix.back() != u'\\') prefix.push_back(u'\\');
  if (prefix.size() + (sizeof kListPattern / sizeof kListPattern[0] - 1) > kMaxJoinedPath) {
    return false;
  }

  // Check every file's joined path first, so that a folder with one over-long name keeps all of
  // its files rather than losing some of them.
  bool all_fit = true;
  if (!ForEachEntry(files, prefix, [&](const FindData& entry) {
        all_fit = IsFolder(entry) || prefix.size() + entry.name.size() <= kMaxJoinedPath;
        return all_fit;
      })) {
    return false;
  }
  if (!all_fit) return false;

  Text joined;
  (void)ForEachEntry(files, prefix, [&](const FindData& entry) {
    if (!IsFolder(entry)) {  // subfolders, "." and ".." are skipped: the walk never descends
      joined.assign(prefix).append(entry.name);
      (void)files.Delete(joined);  // a file that stays simply keeps the folder in place
    }
    return true;
  });
  return files.RemoveDir(prefix);
}

}  // namespace unroll
