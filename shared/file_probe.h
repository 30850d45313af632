#pragma once
namespace glow {
// True when the path can be opened as an existing file (a folder cannot). Never traces.
bool IsFileExist(const char* path);
}  // namespace glow
