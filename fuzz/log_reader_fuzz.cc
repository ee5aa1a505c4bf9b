// Fuzzes the log reader, the header reader and the replay with arbitrary log bytes: nothing may
// crash, read or write out of bounds, or remove a file that the log does not name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/memory/memory_file_system.h"

#include "engine/uninstaller.h"
#include "platform/memory/memory_process.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"

using namespace unroll;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MemoryFileSystem files;
  files.MakeFolder(u"C:\\App\\sub");
  files.MakeFile(u"C:\\App\\a.txt");
  files.MakeFile(u"C:\\App\\sub\\b.txt");
  files.MakeFolder(u"C:\\Keep");
  files.MakeFile(u"C:\\Keep\\k.txt");
  files.MakeFile(u"C:\\App\\uninstall.dat", bytes);
  files.SetCurrentDirectory(u"C:\\App");
  MemoryProcess process(files);
  MemoryUi ui;
  MemoryRegistry registry;
  Services services{files, process, ui, registry};
  Uninstaller u(services);

  LogHeader header;
  if (ReadLogHeader(u.log, header) && u.log.Open()) ReplayLog(u);
  u.log.Close();

  // No wildcard is ever expanded, so a file outside the program's folder can only go when the
  // log spells its folder's name.
  std::string lower = bytes;
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  if (!files.Exists(u"C:\\Keep\\k.txt") && lower.find("keep") == std::string::npos) std::abort();
  if (files.OpenHandles() != 0) std::abort();
  return 0;
}
