#include "uninstall_actions.h"

#include <shlobj.h>

#include "file_probe.h"
#include "growable_text.h"
#include "sizes.h"
#include "mb_text.h"
#include "os.h"
#include "trace.h"
#include "unique.h"

namespace glow {

TextList g_removalList;

namespace {

const char kWhere[] = "UninstAct";

bool FormKeyPath(const char* productName, PathText* keyPath) {
  return keyPath->Format("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", productName);
}

// Reads a text value of any length; the result is always zero-terminated. Returns the registry status.
LONG ReadTextValue(HKEY key, const char* name, GrowableText* value) {
  DWORD size = kInitialListSize;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!value->Reserve(size + 1)) return ERROR_NOT_ENOUGH_MEMORY;
    memset(value->data(), 0, value->Capacity());
    DWORD type = REG_NONE;
    size = static_cast<DWORD>(value->Capacity() - 1);
    const LONG status =
        Sys().RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(value->data()), &size);
    if (status == ERROR_MORE_DATA) continue;  // `size` now says how much it needs
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
      // Bytes of another type are no list of paths: deleting by them could hit anything.
      memset(value->data(), 0, value->Capacity());
      value->SyncLength();
      return ERROR_INVALID_DATATYPE;
    }
    value->SyncLength();
    return status;
  }
  value->Clear();
  return ERROR_MORE_DATA;
}

// The launcher ends right after starting us; until it has, its file cannot be deleted.
bool DeleteLauncherFile(const char* path) {
  for (unsigned attempt = 1;; ++attempt) {
    if (Sys().DeleteFileA(path)) return true;
    const DWORD error = ::GetLastError();
    if (attempt >= kLauncherDeleteAttempts || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
      return false;
    Sys().Sleep(kLauncherDeleteWaitMs);
    ::SetLastError(error);
  }
}

void RemoveFile(const char* path, bool isLauncher) {
  if (!IsFileExist(path)) {
    TraceNotice(path, "file not exist !! @ UninstAct");
    return;
  }
  TraceNotice(path, "file exist, delete it @ UninstAct");
  Sys().SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  const bool deleted = isLauncher ? DeleteLauncherFile(path) : Sys().DeleteFileA(path) != FALSE;
  if (!deleted) TraceError(path, "DeleteFile failed !! @ UninstAct");
}

}  // namespace

bool LoadScrPath(const char* productName) {
  PathText keyPath;
  if (!FormKeyPath(productName, &keyPath)) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    TraceError(productName, "name too long for the key path @ LoadScrPath");
    return false;
  }
  UniqueKey key;
  const LONG opened = Sys().RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (opened != ERROR_SUCCESS) {
    key.release();
    TraceError(keyPath.c_str(), "RegOpenKeyEx failed @ LoadScrPath", opened);
    return false;
  }
  GrowableText tszPathStr;
  const LONG read = ReadTextValue(key.get(), "CopyScrPath", &tszPathStr);
  if (read != ERROR_SUCCESS)
    TraceError("RegQueryValueEx", "LoadScrPath", read);
  else
    TraceNotice(tszPathStr.c_str(), "tszPathStr @ LoadScrPath");
  key.reset();
  if (read != ERROR_SUCCESS || tszPathStr.Empty()) return false;

  MbTokenizer pieces(tszPathStr.data(), '|', SystemLeadByte);
  for (char* piece = pieces.Next(); piece; piece = pieces.Next()) {
    // A file left off the list would outlive the key that records it: better to remove nothing yet.
    if (!g_removalList.Add(piece)) {
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      TraceError(piece, "removal list cannot grow @ LoadScrPath");
      g_removalList.Clear();
      return false;
    }
  }
  return true;
}

bool UninstAct(const char* productName) {
  g_removalList.Clear();
  if (!LoadScrPath(productName)) {
    TraceNotice("LoadScrPath failed !", kWhere);
    return false;
  }
  PathText windowsFolder;
  if (!Sys().SHGetSpecialFolderPathA(nullptr, windowsFolder.data(), CSIDL_WINDOWS, TRUE)) {
    TraceError("SHGetSpecialFolderPath (CSIDL_WINDOWS) failed !", kWhere);
    windowsFolder.Assign("C:\\Windows");
  }
  PathText launcherPath;
  const bool launcherFormed = launcherPath.Format("%s\\%s Uninstaller.exe", windowsFolder.c_str(), productName);
  if (!launcherFormed) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    TraceError(productName, "launcher path too long @ UninstAct");
  }
  const bool launcherListed = launcherFormed && g_removalList.Add(launcherPath.c_str());
  const size_t listed = g_removalList.Count();
  for (size_t i = 0; i < listed; ++i) RemoveFile(g_removalList.At(i), launcherListed && i + 1 == listed);
  if (launcherFormed && !launcherListed) RemoveFile(launcherPath.c_str(), true);  // no room to list it: still goes

  PathText keyPath;
  FormKeyPath(productName, &keyPath);
  const LONG deleted = Sys().RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
  if (deleted != ERROR_SUCCESS)
    TraceError(keyPath.c_str(), "RegDeleteKey failed @ UninstAct", deleted);
  else
    TraceNotice(keyPath.c_str(), "RegDeleteKey succeed @ UninstAct");

  UniqueKey desktop;
  const LONG opened = Sys().RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, desktop.put());
  if (opened != ERROR_SUCCESS) {
    desktop.release();
    TraceError("RegOpenKey (SetDefault) failed !!", kWhere, opened);
    return false;
  }
  static const BYTE kEmpty[1] = {0};
  const LONG set = Sys().RegSetValueExA(desktop.get(), "ScrnSave.exe", 0, REG_SZ, kEmpty, 0);
  if (set != ERROR_SUCCESS) TraceError("RegSetValueEx (SetDefault) failed !!", kWhere, set);
  const LONG closed = Sys().RegCloseKey(desktop.release());
  if (closed != ERROR_SUCCESS) TraceError("RegCloseKey (SetDefault) failed !!", kWhere, closed);
  return true;
}

}  // namespace glow
