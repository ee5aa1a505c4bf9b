// Buffered reading of the uninstall log.
#include "engine/uninstall_log.h"

#include <algorithm>
#include <cstring>

namespace unroll {

UninstallLog::UninstallLog(FileSystem& files, std::size_t buffer_size)
    : files_(files),
      file_(FileCloser{&files}),
      capacity_(std::max<std::size_t>(buffer_size, 1)),
      buffer_(new unsigned char[capacity_]) {}

bool UninstallLog::Open(const Text& path) {
  // Only one log handle at a time: the handle the header reader left open is closed here.
  Close();
  file_.reset(files_.Open(path, kGenericRead, kShareRead, Disposition::kOpenExisting));
  exhausted_ = !file_.valid();
  return file_.valid();
}

void UninstallLog::Close() {
  file_.reset();
  pos_ = end_ = 0;
  exhausted_ = true;
}

bool UninstallLog::Fill() {
  if (pos_ < end_) return true;
  if (exhausted_) return false;
  std::uint32_t got = 0;
  const auto request = static_cast<std::uint32_t>(std::min<std::size_t>(capacity_, 1u << 30));
  if (!files_.Read(file_.get(), buffer_.get(), request, &got) || got == 0) {
    // A read error ends the log just as the end of the file does.
    exhausted_ = true;
    pos_ = end_ = 0;
    return false;
  }
  pos_ = 0;
  end_ = got;
  return true;
}

bool UninstallLog::Peek(unsigned char& byte) {
  if (!Fill()) return false;
  byte = buffer_[pos_];
  return true;
}

bool UninstallLog::AtEnd() { return !Fill(); }

std::int32_t UninstallLog::ReadNumber() {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    unsigned char byte;
    if (!Peek(byte)) break;
    ++pos_;
    value |= static_cast<std::uint32_t>(byte) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

void UninstallLog::ReadLine(Text& line) {
  bytes_.clear();
  while (Fill()) {
    const unsigned char* start = buffer_.get() + pos_;
    const unsigned char* stop = buffer_.get() + end_;
    const unsigned char* p = start;
    while (p < stop && *p != '\n' && *p != '\r' && *p != '\0') ++p;
    pos_ += static_cast<std::size_t>(p - start);
    if (p == stop) {  // the line goes on in the next block
      bytes_.insert(bytes_.end(), start, p);
      continue;
    }
    ++pos_;
    if (bytes_.empty()) {
      // The whole line lies in this block: decode it where it is, before a refill can move it.
      DecodeUtf8(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p - start), line);
    } else {
      bytes_.insert(bytes_.end(), start, p);
      DecodeUtf8(bytes_.data(), bytes_.size(), line);
    }
    if (*p == '\r') {
      // CR LF is one line end, also when the LF starts the next block.
      unsigned char next;
      if (Peek(next) && next == '\n') ++pos_;
    }
    return;
  }
  DecodeUtf8(bytes_.data(), bytes_.size(), line);
}

void ReadHeaderFields(UninstallLog& log, LogHeader& header) {
  log.ReadLine(header.app_name);
  log.ReadLine(header.header_string2);
  log.ReadLine(header.follow_up_program);
  log.ReadLine(header.install_folder);
  header.step_total = log.ReadNumber();
}

bool ReadLogHeader(UninstallLog& log, LogHeader& header) {
  if (!log.Open()) return false;
  if (log.ReadNumber() != kLogFormatMarker) return false;
  ReadHeaderFields(log, header);
  return true;
}

std::uint32_t LookupRootKey(const Text& root_name) {
  struct Row {
    const char16_t* name;
    std::uint32_t root;
  };
  static constexpr Row kRootKeyTable[] = {
      {u"HKEY_CURRENT_USER", 0x80000001u},  {u"HKEY_CLASSES_ROOT", 0x80000000u},
      {u"HKEY_LOCAL_MACHINE", 0x80000002u}, {u"HKEY_USERS", 0x80000003u},
      {u"HKEY_CURRENT_CONFIG", 0x80000005u},
  };
  for (const Row& row : kRootKeyTable) {
    if (root_name == row.name) return row.root;
  }
  return 0;
}

}  // namespace unroll
