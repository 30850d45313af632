#pragma once
#include "installer_app.h"

namespace glow {

// Places the screen savers, writes the uninstall launcher, records the uninstall key and selects the
// screen saver, with WOW64 redirection off throughout. Returns the installer's exit code.
int RunInstallSequence(const InstallSettings& settings);

// The registry's local date text, "yyyy/mm/dd".
void FormatInstallDate(const SYSTEMTIME& local, BoundedText<16>* date);

}  // namespace glow
