// A fresh folder in which the file contract cases run, on the in-memory file system or on the
// real one under Wine.
#pragma once

#include <memory>

#include "platform/services.h"

namespace unroll {

class Sandbox {
 public:
  virtual ~Sandbox() = default;
  virtual FileSystem& files() = 0;
  // Absolute path of the empty sandbox folder, ending in a backslash.
  virtual Text root() const = 0;
  // Set-up with the platform's own calls; paths are absolute.
  virtual bool MakeFolder(const Text& path) = 0;
  virtual bool MakeFile(const Text& path, std::uint32_t attributes) = 0;
  virtual bool Exists(const Text& path) = 0;
  virtual bool ChangeDirectory(const Text& path) = 0;
  // Known differences of the platform from Windows, by case name (empty when there are none).
  virtual const char* KnownDivergence(const char* case_name) const = 0;
};

std::unique_ptr<Sandbox> MakeSandbox();

}  // namespace unroll
