#pragma once
// Every size the programs' behaviour depends on, in one place.
#include <stddef.h>

namespace glow {

constexpr size_t kPathSize = 260;          // the platform's path limit, terminating zero included
constexpr size_t kDriveSize = 10;
// The uninstaller's command line: the name part (a path's size at most), the report pipe and the log path.
constexpr size_t kCommandLineSize = 2 * kPathSize + 64;          // drive part of a split path ("C:")
constexpr size_t kTraceLineSize = 4096;    // one trace line, terminating zero included
constexpr size_t kSettingsFileLimit = 65536;  // the settings file is read whole, up to this many bytes
constexpr size_t kSettingsValueLength = 253;  // characters kept of a settings value
// A settings value in the process's code page: UTF-8 takes up to 3 bytes for one UTF-16 character.
constexpr size_t kSettingsValueSize = 3 * kSettingsValueLength + 1;
constexpr size_t kSizeInfoSize = 1024;     // the size notice of one placed file
constexpr size_t kInitialListSize = 2048;  // first allocation of the copied-file list; it grows past this
constexpr unsigned kRestartNameTries = 16;  // names tried for a file moved aside
// How long a run waits for another run's lock before it answers "try later" (1618), and how often it looks.
constexpr unsigned long kLockWaitMs = 1000;
constexpr unsigned long kLockPollMs = 100;
constexpr size_t kCopyChunkSize = 2048;    // one read of a screen saver being placed (no stack probe below 4 KB)

// "SOFTWARE\...\Uninstall\" is 52 characters; the key path must fit kPathSize with its zero.
constexpr size_t kUninstallPrefixLength = 52;
constexpr size_t kMaxProductNameLength = kPathSize - 1 - kUninstallPrefixLength;  // 207

}  // namespace glow
