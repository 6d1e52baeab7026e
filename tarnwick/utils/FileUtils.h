#pragma once
// Path strings, folder listing and the save-file dialog. Both "\" and "/" separate.

#include <string>
#include <vector>

namespace qz::utils {

// Text after the last dot; empty when there is none or it stands before the last separator.
std::string GetFileExtension(const std::string& path);
std::string ToLower(const std::string& text);
// Up to and including the last separator; empty when there is none.
std::string GetDirectory(const std::string& path);
// After the last separator; the whole path when there is none.
std::string GetFileName(const std::string& path);
// Without the last dot and what follows, unless a separator follows that dot.
std::string RemoveExtension(const std::string& path);

// The running program's folder with its trailing separator; empty when unknown.
std::string GetExecutableFolder();
// Starts at a root: a separator or a drive letter with its colon.
bool IsAbsolutePath(const std::string& path);
// The path when a file exists there (from the current folder) or it is absolute, else the
// same path in the running program's folder, which need not exist either.
std::string FindFileOrBesideExecutable(const std::string& path);

// Bare names of the entries of the folder (the current one when empty) that match
// "<namePattern>.<extension>", folders left out, in the file system's order.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& namePattern,
                                   const std::string& extension);

// The modal save dialog: path in is the initial folder, path out the chosen file, or
// empty with false when cancelled. The filter is pairs of NUL-terminated description
// and pattern, ended by a second NUL.
bool ShowSaveFileDialog(const std::string& title, const std::string& filter, std::string& path);

}  // namespace qz::utils
