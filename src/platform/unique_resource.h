// Move-only owner of one handle, closed exactly once through its traits.
#pragma once

#include <utility>

namespace unroll {

// Traits supply `using Handle`, `static Handle Invalid()` and `void Close(Handle) const`; a traits
// object may carry state (the service that closes the handle).
template <typename Traits>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;

  UniqueResource() = default;
  explicit UniqueResource(Traits traits, Handle handle = Traits::Invalid())
      : traits_(std::move(traits)), handle_(handle) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept
      : traits_(std::move(other.traits_)), handle_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      traits_ = std::move(other.traits_);
    }
    return *this;
  }
  ~UniqueResource() { reset(); }

  [[nodiscard]] bool valid() const { return handle_ != Traits::Invalid(); }
  [[nodiscard]] Handle get() const { return handle_; }

  // Closes the current handle (if any) before taking the new one.
  void reset(Handle handle = Traits::Invalid()) {
    if (valid()) traits_.Close(handle_);
    handle_ = handle;
  }
  [[nodiscard]] Handle release() {
    Handle h = handle_;
    handle_ = Traits::Invalid();
    return h;
  }
  // Closes the current handle and hands out the slot for an out-parameter.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Traits traits_{};
  Handle handle_ = Traits::Invalid();
};

}  // namespace unroll
