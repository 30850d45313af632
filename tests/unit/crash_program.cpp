// One of the three programs, whole, with every platform call made through KillingOs: the run the crash
// matrix ends at a chosen call. GLOW_CRASH_KILL="<role> <call> before|after" ends the program of that
// role there (the programs a run starts inherit the variable, each counts its own calls); GLOW_CRASH_CALLS names a file to which a run that ends by itself adds "<role> <call name>"
// for each of its calls. Built three times, GLOW_CRASH_ROLE choosing the program.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "faulty_os.h"

#if GLOW_CRASH_ROLE == 1
#include "installer_app.h"
typedef glow::InstallerApp App;
static const char kRole[] = "installer";
#elif GLOW_CRASH_ROLE == 2
#include "launcher_app.h"
typedef glow::LauncherApp App;
static const char kRole[] = "launcher";
#else
#include "uninstaller_app.h"
typedef glow::UninstallerApp App;
static const char kRole[] = "uninstaller";
#endif

namespace {

// No box waits for a click here: what it would say goes to the error stream.
class Killing : public glow::KillingOs {
 public:
  int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) override {
    fprintf(stderr, "box: %s: %s\n", caption, text);
    return IDOK;
  }
};

// "<role> <number>..." in the variable `name` when it is this program's role: the number, else -1.
int CallNamed(const char* name, char* rest) {
  char text[64] = {};
  if (!::GetEnvironmentVariableA(name, text, sizeof text) || strncmp(text, kRole, strlen(kRole)) != 0 ||
      text[strlen(kRole)] != ' ')
    return -1;
  char* end = nullptr;
  const int call = static_cast<int>(strtol(text + strlen(kRole) + 1, &end, 10));
  if (rest) strcpy(rest, end);
  return call;
}

}  // namespace

int main() {
  // GLOW_CRASH_FAIL="<role> <call>": that call fails once instead (the fault matrix's double), and the run
  // adds what it left open ("!held=N") and the boxes it showed ("!box") to the calls file.
  char failText[64] = {};
  const bool failing = ::GetEnvironmentVariableA("GLOW_CRASH_FAIL", failText, sizeof failText) != 0;
  glow::FaultyOs faulty;
  Killing killing;
  char rest[64] = {};
  if (failing) {
    faulty.failAt = CallNamed("GLOW_CRASH_FAIL", nullptr);
    // The pipe's end the launcher hands down is this program's to close.
    const char* report = strstr(::GetCommandLineA(), "/report=");
    if (report && strtoul(report + 8, nullptr, 10) != 0) faulty.held = 1;
    glow::SetSys(&faulty);
  } else {
    killing.killAt = CallNamed("GLOW_CRASH_KILL", rest);
    killing.afterCall = strstr(rest, "after") != nullptr;
    glow::SetSys(&killing);
  }
  int code = 0;
  {
    App app;
    code = glow::RunApplication(app);
  }
  glow::SetSys(nullptr);
  char calls[MAX_PATH] = {};
  if (::GetEnvironmentVariableA("GLOW_CRASH_CALLS", calls, sizeof calls)) {
    FILE* file = fopen(calls, "a");
    if (file) {
      for (const std::string& name : failing ? faulty.names : killing.names) fprintf(file, "%s %s\n", kRole, name.c_str());
      if (failing && faulty.held) fprintf(file, "%s !held=%d\n", kRole, faulty.held);
      if (failing && !faulty.boxes.empty()) fprintf(file, "%s !box\n", kRole);
      fclose(file);
    }
  }
  return code;
}
