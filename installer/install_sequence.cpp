#include "install_sequence.h"

#include <string.h>

#include "exit_codes.h"
#include "extraction.h"
#include "file_identity.h"
#include "file_probe.h"
#include "os.h"
#include "placed_file.h"
#include "placement.h"
#include "product_name.h"
#include "product_place.h"
#include "registry_text.h"
#include "trace.h"
#include "unique.h"
#include "wow64_guard.h"

#ifndef GLOW_URL_INFO_ABOUT
#define GLOW_URL_INFO_ABOUT "http://www.tavo.example/"
#endif

namespace glow {

namespace {

const char kWhere[] = "InitInstance";

// What an earlier install of the same product recorded.
struct EarlierRecord {
  bool exists = false;
  GrowableText list;  // its copied-file list
};

void SetTextOrTrace(HKEY key, const char* name, const char* text, const char* what, const char* where) {
  const LONG status = SetTextValue(key, name, text);
  if (status != ERROR_SUCCESS) TraceError(what, where, status);
}

void SetNumberOrTrace(HKEY key, const char* name, DWORD number, const char* what, const char* where) {
  const LONG status = Sys().RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  if (status != ERROR_SUCCESS) TraceError(what, where, status);
}

// The name goes into file paths and a key path of an elevated run: refuse it before anything is touched.
// The product's place is formed here, for the whole run.
bool AcceptProductName(const char* name, ProductPlace* place) {
  // Where the two lookups trace their failures: the system folder's in the run, the Windows folder's
  // where the launcher is written into it.
  const char* placeFault = FormProductPlace(name, FolderLookupWhere{kWhere, "CopyResource"}, place);
  const char* fault = ProductNameFault(name, SystemLeadByte, SystemWide);
  if (!fault) fault = JoinedPathFault(place->systemFolder.c_str(), name, ".scr");
  if (!fault) fault = placeFault;
  if (!fault) return true;
  PathText where;
  where.Format("product name refused: %s @ InitInstance", fault);
  TraceError(name, where.c_str(), ERROR_INVALID_NAME);
  ShowFailedToInstall();
  return false;
}

// True when the uninstall command, quoted or not, starts `launcherPath`.
bool StartsLauncher(HKEY key, const char* launcherPath) {
  GrowableText command;
  if (ReadTextValue(key, "UninstallString", &command) != ERROR_SUCCESS) return false;
  char* path = command.data();
  const size_t length = command.Length();
  if (length >= 2 && path[0] == '"' && path[length - 1] == '"') {
    path[length - 1] = '\0';
    ++path;
  }
  return MbEqualNoCase(path, launcherPath, SystemLeadByte);
}

// kInstalled, or why the entry of that name cannot be installed over: it cannot be read (installing over
// it could lose track of its files), or it is another program's (only this system's own record, with a
// list of placed files and the command that starts the launcher this install writes, is taken over). A
// list of another type than text is no list: a reinstall mends such a record.
int ReadEarlierRecord(const char* keyPath, const char* launcherPath, EarlierRecord* earlier) {
  UniqueKey key;
  const LONG opened = Sys().RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, key.put());
  if (opened == ERROR_FILE_NOT_FOUND) return kInstalled;
  LONG status = opened;
  if (opened == ERROR_SUCCESS) {
    earlier->exists = true;
    // An entry without a command removes nothing and is nobody's: an install that ended while writing
    // ours leaves one, and running it again finishes it.
    const bool unfinished =
        Sys().RegQueryValueExA(key.get(), "UninstallString", nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
    status = ReadTextValue(key.get(), "CopyScrPath", &earlier->list);
    if (status == ERROR_INVALID_DATATYPE || (unfinished && status == ERROR_FILE_NOT_FOUND)) status = ERROR_SUCCESS;
    if (!unfinished &&
        (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && !StartsLauncher(key.get(), launcherPath)))) {
      TraceError(keyPath, "another program's uninstall entry, left alone @ InitInstance", ERROR_ALREADY_EXISTS);
      ShowFailedToInstall();
      return kForeignEntry;
    }
  }
  if (status == ERROR_SUCCESS) return kInstalled;
  TraceError(keyPath, "earlier install cannot be read @ InitInstance", status);
  ShowFailedToInstall();
  return kEarlierRecordUnreadable;
}

// This run's list, then what an earlier install placed and this one did not, as long as it is still there.
bool ListToRecord(const InstallRun& run, const EarlierRecord& earlier, const char* systemFolder, GrowableText* list) {
  if (!list->Assign(run.copyScrPath.c_str())) return false;
  GrowableText pieces;
  if (!pieces.Assign(earlier.list.c_str())) return false;
  MbTokenizer tokenizer(pieces.data(), '|', SystemLeadByte);
  for (char* piece = tokenizer.Next(); piece; piece = tokenizer.Next()) {
    if (PlacedScreenSaverFault(piece, systemFolder, SystemLeadByte) || CopiedListNames(list->c_str(), piece, SystemLeadByte))
      continue;
    // A probe that fails for another reason than absence keeps the entry: better listed than lost.
    if (!IsFileExist(piece) && IsAbsence(::GetLastError())) continue;
    if (!((list->Empty() || list->Append("|")) && list->Append(piece))) return false;
  }
  return true;
}

// A run that leaves no complete, removable record takes back what it did: the screen savers it placed
// (but those an earlier install still lists), the launcher file unless an earlier install relies on it,
// and the key it created.
// The launcher file goes only when it is still the file this run wrote: never by its name alone, which
// could name a folder or a file this run could not write.
void TakeBack(const char* keyPath, InstallRun* run, const EarlierRecord& earlier, const char* launcherPath,
              const FileId& launcherWritten, bool keyCreated) {
  const char kReason[] = "the install is not complete";
  // The run ends here: the list may be cut up in place.
  MbTokenizer tokenizer(run->copyScrPath.data(), '|', SystemLeadByte);
  for (char* piece = tokenizer.Next(); piece; piece = tokenizer.Next())
    if (!CopiedListNames(earlier.list.c_str(), piece, SystemLeadByte))
      RemovePlacedFile(piece, kReason, kWhere, ERROR_INSTALL_FAILURE);
  if (!earlier.exists && launcherWritten.known) {
    if (DeleteIfStill(launcherPath, launcherWritten))
      TraceError(launcherPath, "the install is not complete, copy removed @ InitInstance", ERROR_INSTALL_FAILURE);
    else
      TraceError(launcherPath, "the install is not complete, launcher cannot be removed @ InitInstance");
  }
  if (!keyCreated) return;
  const LONG deleted = Sys().RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath);
  if (deleted != ERROR_SUCCESS) TraceError(keyPath, "RegDeleteKey (take back) failed @ InitInstance", deleted);
}

void LocalDate(BoundedText<16>* date) {
  SYSTEMTIME universal = {};
  SYSTEMTIME local = {};
  Sys().GetSystemTime(&universal);
  if (!Sys().SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
  FormatInstallDate(local, date);
}

// The record is complete only with the two values a removal needs: the list of placed files and the
// command that starts it.
int WriteRegistrationRecord(const InstallSettings& settings, const InstallRun& run, const char* keyPath,
                            const EarlierRecord& earlier, const char* systemFolder, const char* scrPath, const char* uninstPath, bool* keyCreated) {
  BoundedText<16> date;
  LocalDate(&date);
  UniqueKey key;
  const LONG created = Sys().RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  if (created != ERROR_SUCCESS) {
    TraceError(keyPath, "RegCreateKey (Install) failed @ InitInstance", created);
    return kUninstallKeyNotCreated;
  }
  *keyCreated = !earlier.exists;
  GrowableText list;
  LONG listed = ListToRecord(run, earlier, systemFolder, &list) ? SetTextValue(key.get(), "CopyScrPath", list.c_str())
                                                            : static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY);
  if (listed != ERROR_SUCCESS)
    TraceError(list.c_str(), "RegSetValueEx (Uninstall) (CopyScrPath) failed @ InitInstance", listed);
  // In quotes: a path with blanks, unquoted, lets the system try "C:\Windows\TAVO.exe" first.
  BoundedText<kPathSize + 2> command;
  command.Format("\"%s\"", uninstPath);
  const LONG commanded = SetTextValue(key.get(), "UninstallString", command.c_str());
  if (commanded != ERROR_SUCCESS)
    TraceError(uninstPath, "RegSetValueEx (Uninstall) (UninstallString) failed @ InitInstance", commanded);
  const char* version = settings.productVersion.c_str();
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
  SetNumberOrTrace(key.get(), "EstimatedSize", run.estimatedSize, systemFolder,
                   "RegSetValueEx (Uninstall) (EstimatedSize) failed @ InitInstance");
  // What deployment tools read: the command to run unattended (the launcher shows no box where nobody
  // can see it), and that there is nothing to modify or repair.
  SetTextOrTrace(key.get(), "QuietUninstallString", command.c_str(), uninstPath,
                 "RegSetValueEx (Uninstall) (QuietUninstallString) failed @ InitInstance");
  SetNumberOrTrace(key.get(), "NoModify", 1, "RegSetValueEx (Uninstall) (NoModify) failed !!", kWhere);
  SetNumberOrTrace(key.get(), "NoRepair", 1, "RegSetValueEx (Uninstall) (NoRepair) failed !!", kWhere);
  const DWORD closed = key.reset();
  if (closed != ERROR_SUCCESS) TraceError("RegCloseKey (Uninstall) failed !!", "OnInitDialog", closed);
  return listed == ERROR_SUCCESS && commanded == ERROR_SUCCESS ? kInstalled : kUninstallKeyNotCreated;
}

int SelectScreenSaver(const char* scrPath) {
  UniqueKey desktop;
  const LONG opened = Sys().RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, desktop.put());
  if (opened != ERROR_SUCCESS) {
    TraceError("RegOpenKey (SetDefault) failed !!", kWhere, opened);
    return kSelectionNotSet;
  }
  int result = kInstalled;
  const LONG set = SetTextValue(desktop.get(), "ScrnSave.exe", scrPath);
  if (set != ERROR_SUCCESS) {
    TraceError("RegSetValueEx (SetDefault) failed !!", kWhere, set);
    result = kSelectionNotSet;
  }
  const DWORD closed = desktop.reset();
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
  const char* name = settings.productName.c_str();
  ProductPlace place;
  if (!AcceptProductName(name, &place)) return kProductNameRefused;
  const char* keyPath = place.keyPath.c_str();
  const char* systemFolder = place.systemFolder.c_str();
  EarlierRecord earlier;
  const int earlierState = ReadEarlierRecord(keyPath, place.launcherPath.c_str(), &earlier);
  if (earlierState != kInstalled) return earlierState;

  InstallRun run;
  PathText scrPath;
  if (!PlaceScreenSavers(settings, systemFolder, &scrPath, &run)) return kPlacementFailed;
  TraceNotice(scrPath.c_str(), "tszScrPath @ InitInstance");
  TraceNotice(run.copyScrPath.c_str(), "g_tszCopyScrPath @ InitInstance");

  // Written into the place's Windows folder under the place's launcher name: the very launcher path.
  const char* launcherPath = place.launcherPath.c_str();
  PathText uninstPath = place.launcherName;
  FileId launcherWritten;
  if (!CopyResource(ExtractionFolder::Known(place.windowsFolder.c_str()), "UNINSTALL.EXE", &uninstPath,
                    &launcherWritten)) {
    TraceNotice("CopyResource (UNINSTALL.EXE) failed !", kWhere);
    // A launcher file half written is this run's; what was there and could not be written is not.
    TakeBack(keyPath, &run, earlier, launcherPath, launcherWritten, false);
    return kLauncherNotWritten;
  }
  TraceNotice(launcherPath, "tszUninstPath @ InitInstance");
  run.estimatedSize += GetFileMBSize(launcherPath);

  bool keyCreated = false;
  const int registered = WriteRegistrationRecord(settings, run, keyPath, earlier, systemFolder, scrPath.c_str(),
                                                 launcherPath, &keyCreated);
  if (registered != kInstalled) {
    TakeBack(keyPath, &run, earlier, launcherPath, launcherWritten, keyCreated);
    return registered;
  }
  // As LocalSystem this would select the saver for the logon screen's own profile only, not for a user.
  int result = kInstalled;
  if (RunsAsLocalSystem())
    TraceNotice("running as LocalSystem: no user's screen saver is selected", kWhere);
  else
    result = SelectScreenSaver(scrPath.c_str());
  return result == kInstalled && run.replacedAtRestart ? kInstalledAfterRestart : result;
}

}  // namespace glow
