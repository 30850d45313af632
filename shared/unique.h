#pragma once
// Owners that release what the system handed out, on every path. Movable, never copied.
// put() releases the old value before handing out the address, so reusing an owner cannot leak, and a
// failed open leaves nothing to release: the seam's registry opens and process starts leave their output
// empty on failure (the platform does not promise that, so the real implementation sees to it).
#include <windows.h>

#include "os.h"

namespace glow {

// Traits give the type, its invalid value and how to release it: the release reports the system's code.
template <typename Traits>
class UniqueAny {
  typedef typename Traits::Type T;

 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  ~UniqueAny() { reset(); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const { return value_; }
  bool valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }
  T* put() {
    reset();
    return &value_;
  }
  T release() {
    T value = value_;
    value_ = Traits::Invalid();
    return value;
  }
  // Releases the held value; returns the release's code (ERROR_SUCCESS too when nothing was held). The
  // thread's last error stays as it was, as WIL's close_reset keeps it: a release on the way out of a
  // failure never replaces that failure's error.
  DWORD reset(T value = Traits::Invalid()) {
    DWORD released = ERROR_SUCCESS;
    if (value_ != Traits::Invalid()) {
      const DWORD kept = ::GetLastError();
      released = Traits::Close(value_);
      ::SetLastError(kept);
    }
    value_ = value;
    return released;
  }

 private:
  T value_ = Traits::Invalid();
};

// A failed call that left no last error is a failure all the same.
inline DWORD CodeOf(bool succeeded) {
  if (succeeded) return ERROR_SUCCESS;
  const DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

struct FileTraits {
  typedef HANDLE Type;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static DWORD Close(HANDLE h) { return CodeOf(Sys().CloseHandle(h)); }
};
struct HandleTraits {
  typedef HANDLE Type;
  static HANDLE Invalid() { return nullptr; }
  static DWORD Close(HANDLE h) { return CodeOf(Sys().CloseHandle(h)); }
};
struct FindTraits {
  typedef HANDLE Type;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static DWORD Close(HANDLE h) { return CodeOf(Sys().FindClose(h)); }
};
struct KeyTraits {
  typedef HKEY Type;
  static HKEY Invalid() { return nullptr; }
  static DWORD Close(HKEY k) { return static_cast<DWORD>(Sys().RegCloseKey(k)); }
};
struct LocalTraits {
  typedef HLOCAL Type;
  static HLOCAL Invalid() { return nullptr; }
  static DWORD Close(HLOCAL m) { return CodeOf(Sys().LocalFree(m) == nullptr); }
};

struct NamespaceTraits {
  typedef HANDLE Type;
  static HANDLE Invalid() { return nullptr; }
  static DWORD Close(HANDLE h) { return CodeOf(Sys().ClosePrivateNamespace(h, 0) != FALSE); }
};
struct BoundaryTraits {
  typedef HANDLE Type;
  static HANDLE Invalid() { return nullptr; }
  static DWORD Close(HANDLE h) {
    Sys().DeleteBoundaryDescriptor(h);
    return ERROR_SUCCESS;
  }
};

typedef UniqueAny<FileTraits> UniqueFile;      // CreateFile: INVALID_HANDLE_VALUE when none
typedef UniqueAny<HandleTraits> UniqueHandle;  // mutexes and the like: null when none
typedef UniqueAny<FindTraits> UniqueFind;
typedef UniqueAny<KeyTraits> UniqueKey;
typedef UniqueAny<LocalTraits> UniqueLocal;
typedef UniqueAny<NamespaceTraits> UniqueNamespace;
typedef UniqueAny<BoundaryTraits> UniqueBoundary;

// A lock held in a namespace of its own: the namespace goes with its last handle, so it is held as long.
struct HeldLock {
  void reset() {
    lock.reset();
    home.reset();
  }
  UniqueNamespace home;
  UniqueHandle lock;
};

// Both handles a process start returns.
class UniqueProcessInfo {
 public:
  UniqueProcessInfo() : info_() {}
  ~UniqueProcessInfo() { reset(); }
  UniqueProcessInfo(const UniqueProcessInfo&) = delete;
  UniqueProcessInfo& operator=(const UniqueProcessInfo&) = delete;
  PROCESS_INFORMATION* put() {
    reset();
    return &info_;
  }
  const PROCESS_INFORMATION& get() const { return info_; }
  void reset() {
    const DWORD kept = ::GetLastError();
    if (info_.hThread) Sys().CloseHandle(info_.hThread);
    if (info_.hProcess) Sys().CloseHandle(info_.hProcess);
    ZeroMemory(&info_, sizeof info_);
    ::SetLastError(kept);
  }

 private:
  PROCESS_INFORMATION info_;
};

}  // namespace glow
