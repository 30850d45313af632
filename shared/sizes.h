#pragma once
// Every size the programs' behaviour depends on, in one place.
#include <stddef.h>

namespace glow {

constexpr size_t kPathSize = 260;          // the platform's path limit, terminating zero included
constexpr size_t kDriveSize = 10;          // drive part of a split path ("C:")
constexpr size_t kTraceLineSize = 4096;    // one trace line, terminating zero included
constexpr size_t kSettingsBufferSize = 256;  // buffer handed to the settings read
constexpr size_t kSettingsReadLimit = 254;   // size limit given to it: at most 253 characters arrive
constexpr size_t kSizeInfoSize = 1024;     // the size notice of one placed file
constexpr size_t kInitialListSize = 2048;  // first allocation of the copied-file list; it grows past this
constexpr size_t kCopyChunkSize = 2048;    // one read of a screen saver being placed (no stack probe below 4 KB)

// "SOFTWARE\...\Uninstall\" is 52 characters; the key path must fit kPathSize with its zero.
constexpr size_t kUninstallPrefixLength = 52;
constexpr size_t kMaxProductNameLength = kPathSize - 1 - kUninstallPrefixLength;  // 207

}  // namespace glow
