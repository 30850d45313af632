#pragma once
namespace glow {
// True when the path can be opened as an existing file (a folder cannot). Never traces; the last error
// tells why not.
bool IsFileExist(const char* path);
// True when an error of a failed open or deletion says the file is not there, rather than that it could
// not be reached: only then may it count as gone.
inline bool IsAbsence(unsigned long error) { return error == 2 || error == 3; }  // file, path not found
}  // namespace glow
