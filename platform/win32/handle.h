// Owning wrappers for Win32 handles, views and modules. One template, one
// traits type per close function, so nothing is closed twice, leaked, or
// closed with the wrong function. Move-only; never copyable.
#pragma once

#include <windows.h>

namespace vk {
namespace win32 {

template <typename Traits>
class Owned {
 public:
  using Value = typename Traits::Value;

  Owned() noexcept = default;
  explicit Owned(Value v) noexcept : v_(v) {}
  Owned(Owned&& other) noexcept : v_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  Value get() const noexcept { return v_; }
  bool valid() const noexcept { return v_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without closing.
  Value release() noexcept {
    Value v = v_;
    v_ = Traits::invalid();
    return v;
  }
  // Closes what is held (if anything) and takes v.
  void reset(Value v = Traits::invalid()) noexcept {
    if (v_ != Traits::invalid()) Traits::close(v_);
    v_ = v;
  }

 private:
  Value v_ = Traits::invalid();
};

// Kernel objects whose failure value is NULL: mutexes, events, sections,
// processes, threads.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value invalid() noexcept { return nullptr; }
  static void close(Value v) noexcept { ::CloseHandle(v); }
};

// CreateFile reports failure as INVALID_HANDLE_VALUE, not NULL.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Value v) noexcept { ::CloseHandle(v); }
};

struct MappedViewTraits {
  using Value = void*;
  static Value invalid() noexcept { return nullptr; }
  static void close(Value v) noexcept { ::UnmapViewOfFile(v); }
};

struct ModuleTraits {
  using Value = HMODULE;
  static Value invalid() noexcept { return nullptr; }
  static void close(Value v) noexcept { ::FreeLibrary(v); }
};

struct HookTraits {
  using Value = HHOOK;
  static Value invalid() noexcept { return nullptr; }
  static void close(Value v) noexcept { ::UnhookWindowsHookEx(v); }
};

struct RegistryKeyTraits {
  using Value = HKEY;
  static Value invalid() noexcept { return nullptr; }
  static void close(Value v) noexcept { ::RegCloseKey(v); }
};

using UniqueHandle = Owned<KernelHandleTraits>;
using UniqueFile = Owned<FileHandleTraits>;
using UniqueView = Owned<MappedViewTraits>;
using UniqueModule = Owned<ModuleTraits>;
using UniqueHook = Owned<HookTraits>;
using UniqueKey = Owned<RegistryKeyTraits>;

}  // namespace win32
}  // namespace vk
