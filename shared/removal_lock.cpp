// Apart from the rest of the frame: only the programs that take a lock carry it, and its texts.
#include <aclapi.h>
#include <sddl.h>

#include "app_frame.h"
#include "mb_text.h"
#include "os.h"
#include "sizes.h"
#include "trace.h"

namespace glow {

namespace {

// Whoever made the object: only an administrators' or the system's object is a lock of ours. Anyone may
// make an object of any name first; a program without administrator rights cannot name Administrators
// its owner.
bool OwnedByAdministrators(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (Sys().GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return false;
  UniqueLocal held(descriptor);
  return owner && (Sys().IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                   Sys().IsWellKnownSid(owner, WinLocalSystemSid));
}

// The programs' own namespace: made, or opened when another run made it, by administrators alone.
bool OpenLockHome(PSECURITY_DESCRIPTOR descriptor, UniqueNamespace* home) {
  const int needed[] = {real::kCreateBoundaryDescriptorW, real::kAddSIDToBoundaryDescriptor,
                        real::kDeleteBoundaryDescriptor,  real::kCreatePrivateNamespaceW,
                        real::kOpenPrivateNamespaceW,     real::kClosePrivateNamespace};
  for (const int function : needed) {
    if (!Sys().HasSystemFunction(function)) {
      ::SetLastError(ERROR_PROC_NOT_FOUND);
      return false;
    }
  }
  // S-1-5-32-544, the Administrators group.
  BYTE administrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
  UniqueBoundary boundary(Sys().CreateBoundaryDescriptorW(L"Glowset", 0));
  if (!boundary.valid()) return false;
  HANDLE grown = boundary.release();  // adding may move it
  const BOOL added = Sys().AddSIDToBoundaryDescriptor(&grown, administrators);
  boundary.reset(grown);
  if (!added) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  home->reset(Sys().CreatePrivateNamespaceW(&attributes, boundary.get(), L"Glowset"));
  if (!home->valid() && ::GetLastError() == ERROR_ALREADY_EXISTS)
    home->reset(Sys().OpenPrivateNamespaceW(boundary.get(), L"Glowset"));
  return home->valid();
}

// Owned by Administrators, open to them and the system alone; null when it cannot be made (the token's
// default owner then, which is Administrators for an elevated run).
void MakeAdministratorsOnly(UniqueLocal* held) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (Sys().ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1,
                                                                 &descriptor, nullptr))
    held->reset(descriptor);
}

LockOutcome TakeLock(const char* name, DWORD waitMs, bool checkOwner, PSECURITY_DESCRIPTOR descriptor,
                     UniqueHandle* lock) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const DWORD start = Sys().GetTickCount();
  for (;;) {
    lock->reset(Sys().CreateMutexA(&attributes, FALSE, name));
    if (!lock->valid()) {
      // An object of that name that administrators may not open is no lock of ours.
      return checkOwner && ::GetLastError() == ERROR_ACCESS_DENIED ? LockOutcome::kNotOurs : LockOutcome::kNotMade;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return LockOutcome::kTaken;
    if (checkOwner && !OwnedByAdministrators(lock->get())) {
      lock->reset();
      return LockOutcome::kNotOurs;
    }
    if (Sys().GetTickCount() - start >= waitMs) return LockOutcome::kHeld;
    lock->reset();
    Sys().Sleep(kLockPollMs);
  }
}

}  // namespace

LockOutcome TakeNamedLock(const char* name, DWORD waitMs, UniqueHandle* lock) {
  UniqueLocal descriptor;
  MakeAdministratorsOnly(&descriptor);
  return TakeLock(name, waitMs, true, descriptor.get(), lock);
}

LockOutcome TakePrivateLock(const char* name, DWORD waitMs, HeldLock* lock) {
  UniqueLocal descriptor;
  MakeAdministratorsOnly(&descriptor);
  PathText inHome;
  if (!OpenLockHome(descriptor.get(), &lock->home) || !inHome.Format("Glowset\\%s", name)) return LockOutcome::kNotMade;
  const LockOutcome outcome = TakeLock(inHome.c_str(), waitMs, false, descriptor.get(), &lock->lock);
  if (outcome == LockOutcome::kNotMade) lock->reset();
  return outcome;
}

bool TakeRemovalLock(HeldLock* lock, bool launcherHoldsIt) {
  const char kName[] = "Global\\TAVO ScreenSaver Uninstaller Global Mutex";
  const DWORD waitMs = launcherHoldsIt ? 0 : kLockWaitMs;
  // Where the system has no namespace of the programs' own, the well-known name, checked for its maker.
  LockOutcome outcome = TakePrivateLock("Removal", waitMs, lock);
  if (outcome == LockOutcome::kNotMade) outcome = TakeNamedLock(kName, waitMs, &lock->lock);
  switch (outcome) {
    case LockOutcome::kTaken:
      return true;
    case LockOutcome::kHeld:
      // The launcher that started this program holds it: this handle keeps it held to the end.
      if (launcherHoldsIt) return true;
      TraceNotice("another removal is running, nothing done", "InitInstance");
      return false;
    case LockOutcome::kNotOurs:
      TraceError(kName, "removal lock made by a program without administrator rights, not yielded to @ InitInstance",
                 ERROR_INVALID_OWNER);
      return true;
    default:
      TraceError("CreateMutex (removal lock) failed, going on without it", "InitInstance");
      return true;
  }
}

}  // namespace glow
