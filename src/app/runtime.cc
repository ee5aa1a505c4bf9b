// Small replacements for runtime parts the uninstaller never needs: the exe is built without
// exceptions, so allocation failures and library range errors end the process at once, and the
// demangling terminate handler (about 40 KB) and the unwinder stay out of the exe.
#include <cstdlib>
#include <new>

#include "platform/win32/win32.h"

namespace {

[[noreturn]] void Fatal() { ::ExitProcess(3); }

void* Allocate(std::size_t size) {
  void* p = ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1);
  if (p == nullptr) Fatal();
  return p;
}

void Release(void* p) noexcept {
  if (p != nullptr) ::HeapFree(::GetProcessHeap(), 0, p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace std {
void __throw_length_error(const char*) { Fatal(); }
void __throw_logic_error(const char*) { Fatal(); }
void __throw_out_of_range(const char*) { Fatal(); }
void __throw_out_of_range_fmt(const char*, ...) { Fatal(); }
void __throw_bad_alloc() { Fatal(); }
void __throw_bad_array_new_length() { Fatal(); }
void __throw_invalid_argument(const char*) { Fatal(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { Fatal(); }
}  // namespace __gnu_cxx
