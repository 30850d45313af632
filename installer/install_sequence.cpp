#include "install_sequence.h"

#include <shlobj.h>
#include <string.h>

#include "exit_codes.h"
#include "extraction.h"
#include "os.h"
#include "placement.h"
#include "product_name.h"
#include "trace.h"
#include "unique.h"
#include "wow64_guard.h"

#ifndef GLOW_URL_INFO_ABOUT
#define GLOW_URL_INFO_ABOUT "http://www.tavo.example/"
#endif

namespace glow {

const char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

const char kWhere[] = "InitInstance";

// Text values are written with the text length as byte count, without the terminating zero.
LONG SetText(HKEY key, const char* name, const char* text) {
  return Sys().RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(strlen(text)));
}

void SetTextOrTrace(HKEY key, const char* name, const char* text, const char* what, const char* where) {
  const LONG status = SetText(key, name, text);
  if (status != ERROR_SUCCESS) TraceError(what, where, status);
}

void ResolveSystemFolder(PathText* folder) {
  folder->Clear();
  if (!Sys().SHGetSpecialFolderPathA(nullptr, folder->data(), CSIDL_SYSTEM, FALSE)) {
    TraceError("SHGetSpecialFolderPath (CSIDL_SYSTEM) failed", kWhere);
    folder->Assign("C:\\Windows\\System32");
  }
}

// The name goes into file paths and a key path of an elevated run: refuse it before anything is touched.
bool AcceptProductName(const char* name, const char* systemFolder) {
  PathText windowsFolder;
  if (!Sys().SHGetSpecialFolderPathA(nullptr, windowsFolder.data(), CSIDL_WINDOWS, FALSE))
    windowsFolder.Assign("C:\\Windows");
  const char* fault = ProductNameFault(name, SystemLeadByte);
  if (!fault) fault = JoinedPathFault(systemFolder, name, ".scr");
  if (!fault) fault = JoinedPathFault(windowsFolder.c_str(), name, " Uninstaller.exe");
  if (!fault) return true;
  PathText where;
  where.Format("product name refused: %s @ InitInstance", fault);
  ::SetLastError(ERROR_INVALID_NAME);
  TraceError(name, where.c_str());
  Sys().MessageBoxA(nullptr, kFailedToInstall, kInstallerCaption, MB_ICONERROR);
  return false;
}

void LocalDate(BoundedText<16>* date) {
  SYSTEMTIME universal = {};
  SYSTEMTIME local = {};
  Sys().GetSystemTime(&universal);
  if (!Sys().SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
  FormatInstallDate(local, date);
}

int WriteRegistrationRecord(const InstallSettings& settings, const char* systemFolder, const char* scrPath,
                            const char* uninstPath) {
  BoundedText<16> date;
  LocalDate(&date);
  PathText keyPath;
  keyPath.Format("%s%s", kUninstallKeyPrefix, settings.productName.c_str());

  UniqueKey key;
  const LONG created = Sys().RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  if (created != ERROR_SUCCESS) {
    key.release();  // nothing was opened; the output is not a key to close
    TraceError(keyPath.c_str(), "RegCreateKey (Install) failed @ InitInstance", created);
    return kUninstallKeyNotCreated;
  }
  const char* version = settings.productVersion.c_str();
  SetTextOrTrace(key.get(), "CopyScrPath", g_tszCopyScrPath.c_str(), g_tszCopyScrPath.c_str(),
                 "RegSetValueEx (Uninstall) (CopyScrPath) failed @ InitInstance");
  SetTextOrTrace(key.get(), "UninstallString", uninstPath, uninstPath,
                 "RegSetValueEx (Uninstall) (UninstallString) failed @ InitInstance");
  SetTextOrTrace(key.get(), "DisplayVersion", version, version,
                 "RegSetValueEx (Uninstall) (DisplayVersion) failed @ InitInstance");
  SetTextOrTrace(key.get(), "DisplayName", settings.productName.c_str(), uninstPath,
                 "RegSetValueEx (DisplayName) (UninstallString) failed @ InitInstance");
  SetTextOrTrace(key.get(), "DisplayIcon", scrPath, scrPath,
                 "RegSetValueEx (Uninstall) (DisplayIcon) failed @ InitInstance");
  SetTextOrTrace(key.get(), "InstallDate", date.c_str(), date.c_str(),
                 "RegSetValueEx (Uninstall) (InstallDate) failed @ InitInstance");
  SetTextOrTrace(key.get(), "Publisher", "TAVO", "RegSetValueEx (Uninstall) (Publisher) failed !!", kWhere);
  SetTextOrTrace(key.get(), "URLInfoAbout", GLOW_URL_INFO_ABOUT, "RegSetValueEx (Uninstall) (URLInfoAbout) failed !!",
                 kWhere);
  SetTextOrTrace(key.get(), "InstallLocation", systemFolder, systemFolder,
                 "RegSetValueEx (Uninstall) (InstallLocation) failed @ InitInstance");
  const DWORD estimatedSize = g_dwEstimatedSize;
  const LONG sized = Sys().RegSetValueExA(key.get(), "EstimatedSize", 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&estimatedSize), sizeof estimatedSize);
  if (sized != ERROR_SUCCESS)
    TraceError(systemFolder, "RegSetValueEx (Uninstall) (EstimatedSize) failed @ InitInstance", sized);
  const LONG closed = Sys().RegCloseKey(key.release());
  if (closed != ERROR_SUCCESS) TraceError("RegCloseKey (Uninstall) failed !!", "OnInitDialog", closed);
  return kInstalled;
}

int SelectScreenSaver(const char* scrPath) {
  UniqueKey desktop;
  const LONG opened = Sys().RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, desktop.put());
  if (opened != ERROR_SUCCESS) {
    desktop.release();
    TraceError("RegOpenKey (SetDefault) failed !!", kWhere, opened);
    return kSelectionNotSet;
  }
  int result = kInstalled;
  const LONG set = SetText(desktop.get(), "ScrnSave.exe", scrPath);
  if (set != ERROR_SUCCESS) {
    TraceError("RegSetValueEx (SetDefault) failed !!", kWhere, set);
    result = kSelectionNotSet;
  }
  const LONG closed = Sys().RegCloseKey(desktop.release());
  if (closed != ERROR_SUCCESS) TraceError("RegCloseKey (SetDefault) failed !!", kWhere, closed);
  return result;
}

}  // namespace

void FormatInstallDate(const SYSTEMTIME& local, BoundedText<16>* date) {
  date->Format("%04d/%02d/%02d", local.wYear, local.wMonth, local.wDay);
}

int RunInstallSequence(const InstallSettings& settings) {
  // Every way out from here passes the guard's destructor, which switches redirection back on.
  Wow64RedirectionGuard guard;
  PathText systemFolder;
  ResolveSystemFolder(&systemFolder);
  if (!AcceptProductName(settings.productName.c_str(), systemFolder.c_str())) return kProductNameRefused;

  ResetPlacementState();
  PathText scrPath;
  if (!PlaceScreenSavers(settings, systemFolder.c_str(), &scrPath)) return kPlacementFailed;
  TraceNotice(scrPath.c_str(), "tszScrPath @ InitInstance");
  TraceNotice(g_tszCopyScrPath.c_str(), "g_tszCopyScrPath @ InitInstance");

  PathText uninstPath;
  uninstPath.Format("%s Uninstaller.exe", settings.productName.c_str());
  if (!CopyResource(ExtractionFolder::kWindows, "UNINSTALL.EXE", &uninstPath)) {
    TraceNotice("CopyResource (UNINSTALL.EXE) failed !", kWhere);
    return kLauncherNotWritten;
  }
  TraceNotice(uninstPath.c_str(), "tszUninstPath @ InitInstance");
  g_dwEstimatedSize += GetFileMBSize(uninstPath.c_str());

  const int registered = WriteRegistrationRecord(settings, systemFolder.c_str(), scrPath.c_str(), uninstPath.c_str());
  if (registered != kInstalled) return registered;
  return SelectScreenSaver(scrPath.c_str());
}

}  // namespace glow
