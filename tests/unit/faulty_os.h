#pragma once
// The real operations, with the Nth call of the run made to fail (last error ERROR_ACCESS_DENIED) and
// a count of what was opened and not yet released: handles, keys, searches, system texts.
// Every operation of the seam's table fails as its table row says; only what opens or releases something,
// and the two that must not reach the system as they are, are written out below.
#include <string.h>

#include <string>
#include <type_traits>
#include <vector>

#include "os.h"

namespace glow {

// Each operation of the table: the Nth call fails with the row's failed value, the others are real.
class FailingOs : public RealOs {
 public:
  int failAt = -1;                 // index of the call to fail; -1: none
  int calls = 0;                   // calls seen so far that could fail
  std::vector<std::string> names;  // those calls, in order
  std::string failed;              // the call that was failed

#define GLOW_FAILING(result, name, parameters, arguments, call, failedValue)         \
  result name parameters override {                                                  \
    return Call<result>(#name, failedValue, [&] { return RealOs::name arguments; }); \
  }
  GLOW_OS_OPERATIONS(GLOW_FAILING)
#undef GLOW_FAILING

 protected:
  struct Never {};
  static constexpr Never never{};

  bool Fails(const char* name) {
    names.push_back(name);
    if (calls++ != failAt) return false;
    failed = name;
    ::SetLastError(ERROR_ACCESS_DENIED);
    return true;
  }

 private:
  template <typename R, typename F, typename Real>
  R Call(const char* name, F failedValue, Real real) {
    if constexpr (!std::is_same_v<F, Never>) {
      if (Fails(name)) return static_cast<R>(failedValue);
    }
    return real();
  }
};

class FaultyOs : public FailingOs {
 public:
  int held = 0;                    // opened and not released
  std::string ownPath;             // what GetModuleFileNameA reports for the program itself
  std::vector<std::string> boxes;

  DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) override {
    if (module || ownPath.empty()) return FailingOs::GetModuleFileNameA(module, path, size);
    if (Fails("GetModuleFileNameA")) return 0;
    if (ownPath.size() >= size) return 0;
    strcpy(path, ownPath.c_str());
    return static_cast<DWORD>(ownPath.size());
  }
  int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) override {
    if (Fails("MessageBoxA")) return 0;
    boxes.push_back(std::string(caption) + ": " + text);
    return IDOK;
  }

  // Opened: counted when the call succeeds.
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment,
                      LPCSTR currentFolder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) override {
    const BOOL outcome = FailingOs::CreateProcessA(application, commandLine, processAttributes, threadAttributes,
                                                   inheritHandles, flags, environment, currentFolder, startup, info);
    if (outcome) held += 2;
    return outcome;
  }
  HANDLE ReOpenFile(HANDLE file, DWORD access, DWORD share, DWORD flags) override {
    return Opened(FailingOs::ReOpenFile(file, access, share, flags));
  }
  HANDLE CreateJobObjectA(LPSECURITY_ATTRIBUTES attributes, LPCSTR name) override {
    const HANDLE outcome = FailingOs::CreateJobObjectA(attributes, name);
    if (outcome) ++held;
    return outcome;
  }
  HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) override {
    const HANDLE outcome = FailingOs::CreateMutexA(attributes, initialOwner, name);
    if (outcome) ++held;
    return outcome;
  }
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD disposition,
                     DWORD flags, HANDLE templateFile) override {
    return Opened(FailingOs::CreateFileA(path, access, share, attributes, disposition, flags, templateFile));
  }
  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) override {
    return Opened(FailingOs::FindFirstFileA(pattern, found));
  }
  BOOL CreatePipe(PHANDLE readEnd, PHANDLE writeEnd, LPSECURITY_ATTRIBUTES attributes, DWORD size) override {
    const BOOL outcome = FailingOs::CreatePipe(readEnd, writeEnd, attributes, size);
    if (outcome) held += 2;
    return outcome;
  }
  BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) override {
    const BOOL outcome = FailingOs::OpenProcessToken(process, access, token);
    if (outcome) ++held;
    return outcome;
  }
  LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                       LPSECURITY_ATTRIBUTES attributes, PHKEY result, LPDWORD disposition) override {
    return OpenedKey(FailingOs::RegCreateKeyExA(key, subKey, reserved, className, options, access, attributes,
                                                result, disposition));
  }
  LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) override {
    return OpenedKey(FailingOs::RegOpenKeyExA(key, subKey, options, access, result));
  }
  DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                       va_list* arguments) override {
    const DWORD outcome = FailingOs::FormatMessageA(flags, source, messageId, languageId, buffer, size, arguments);
    if (outcome && (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER)) ++held;
    return outcome;
  }
  BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(LPCSTR text, DWORD revision,
                                                             PSECURITY_DESCRIPTOR* descriptor, PULONG size) override {
    const BOOL outcome = FailingOs::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, revision, descriptor, size);
    if (outcome) ++held;
    return outcome;
  }
  DWORD GetSecurityInfo(HANDLE object, SE_OBJECT_TYPE kind, SECURITY_INFORMATION parts, PSID* owner, PSID* group,
                        PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) override {
    const DWORD outcome = FailingOs::GetSecurityInfo(object, kind, parts, owner, group, dacl, sacl, descriptor);
    if (outcome == ERROR_SUCCESS && descriptor && *descriptor) ++held;
    return outcome;
  }
  HANDLE CreatePrivateNamespaceW(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR prefix) override {
    const HANDLE outcome = FailingOs::CreatePrivateNamespaceW(attributes, boundary, prefix);
    if (outcome) ++held;
    return outcome;
  }
  HANDLE OpenPrivateNamespaceW(LPVOID boundary, LPCWSTR prefix) override {
    const HANDLE outcome = FailingOs::OpenPrivateNamespaceW(boundary, prefix);
    if (outcome) ++held;
    return outcome;
  }

  // Released: a failed release still released, only the report fails.
  BOOL CloseHandle(HANDLE handle) override {
    const BOOL outcome = RealOs::CloseHandle(handle);
    if (outcome) --held;
    return Fails("CloseHandle") ? FALSE : outcome;
  }
  BOOL FindClose(HANDLE search) override {
    const BOOL outcome = RealOs::FindClose(search);
    if (outcome) --held;
    return Fails("FindClose") ? FALSE : outcome;
  }
  LONG RegCloseKey(HKEY key) override {
    const LONG outcome = RealOs::RegCloseKey(key);
    if (outcome == ERROR_SUCCESS) --held;
    return Fails("RegCloseKey") ? ERROR_ACCESS_DENIED : outcome;
  }
  BOOLEAN ClosePrivateNamespace(HANDLE space, ULONG flags) override {
    const BOOLEAN outcome = RealOs::ClosePrivateNamespace(space, flags);
    if (outcome) --held;
    return Fails("ClosePrivateNamespace") ? FALSE : outcome;
  }
  HLOCAL LocalFree(HLOCAL memory) override {
    const HLOCAL outcome = RealOs::LocalFree(memory);
    if (!outcome) --held;
    return Fails("LocalFree") ? memory : outcome;
  }

 private:
  HANDLE Opened(HANDLE outcome) {
    if (outcome != INVALID_HANDLE_VALUE) ++held;
    return outcome;
  }
  LONG OpenedKey(LONG outcome) {
    if (outcome == ERROR_SUCCESS) ++held;
    return outcome;
  }
};


// The real operations, with the process ended at once (TerminateProcess on itself, no clean-up) just
// before or just after its Nth call, as a deployment tool's time limit or a pulled plug would end it.
class KillingOs : public RealOs {
 public:
  static constexpr UINT kKilled = 99;  // the exit code of a process ended this way
  int killAt = -1;                     // index of the call to end at; -1: none
  bool afterCall = false;              // end once the call has been made, not before
  std::vector<std::string> names;      // every call, in order

#define GLOW_KILLING(result, name, parameters, arguments, call, failedValue) \
  result name parameters override {                                         \
    return Call<result>(#name, [&] { return RealOs::name arguments; });     \
  }
  GLOW_OS_OPERATIONS(GLOW_KILLING)
#undef GLOW_KILLING

 private:
  void EndAt(size_t index, bool after) {
    if (static_cast<int>(index) == killAt && after == afterCall) ::TerminateProcess(::GetCurrentProcess(), kKilled);
  }
  template <typename R, typename Real>
  R Call(const char* name, Real real) {
    const size_t index = names.size();
    names.push_back(name);
    EndAt(index, false);
    if constexpr (std::is_void_v<R>) {
      real();
      EndAt(index, true);
    } else {
      R outcome = real();
      EndAt(index, true);
      return outcome;
    }
  }
};

}  // namespace glow
