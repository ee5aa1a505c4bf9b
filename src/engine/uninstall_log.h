// "uninstall.dat": the buffered line reader, its header and the registry root names of its records.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/services.h"

namespace unroll {

inline constexpr char16_t kLogFileName[] = u"uninstall.dat";
inline constexpr std::int32_t kLogFormatMarker = 7;

struct LogHeader {
  Text app_name;           // AppName
  Text header_string2;     // HeaderString2: kept, unused
  Text follow_up_program;  // FollowUpProgram
  Text install_folder;     // InstallFolder
  std::int32_t step_total = 0;
};

// Sequential reader of one log file. Reads in large blocks; the line rules work on the buffered
// bytes, so no system call is made per byte.
class UninstallLog {
 public:
  explicit UninstallLog(FileSystem& files, std::size_t buffer_size = 64 * 1024);

  // Opens "uninstall.dat" (GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING) at byte 0, closing the
  // handle of an earlier Open first. False when the file cannot be opened.
  bool Open(const Text& path = kLogFileName);
  // Four bytes, least significant first; bytes missing at the end of the file read as zero.
  std::int32_t ReadNumber();
  // One line, ended by LF, CR LF, a lone CR, NUL or the end of the file; decoded leniently from
  // UTF-8. `line` is replaced and keeps its capacity.
  void ReadLine(Text& line);
  // True when not one more byte can be read; the position stays.
  bool AtEnd();
  void Close();

 private:
  bool Fill();  // false at the end of the file or on a read error
  bool Peek(unsigned char& byte);

  FileSystem& files_;
  UniqueFile file_;
  std::size_t capacity_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool exhausted_ = true;
  std::vector<char> bytes_;  // the current line's bytes
};

// Open, check the marker, read the four header lines and StepTotal. False when the file cannot be
// opened or the marker is not 7. The handle stays open either way.
bool ReadLogHeader(UninstallLog& log, LogHeader& header);
// Reads the header fields that follow the marker.
void ReadHeaderFields(UninstallLog& log, LogHeader& header);

// The registry root a record's root name stands for (exact, case-sensitive), 0 when none.
std::uint32_t LookupRootKey(const Text& root_name);

}  // namespace unroll
