#include "tarnwick/utils/FileUtils.h"

#include "platform/win/Dialogs.h"
#include "platform/win/Files.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace qz::utils {

namespace {

std::string::size_type LastSeparator(const std::string& path)
{
    const std::string::size_type backslash = path.rfind('\\');
    const std::string::size_type slash = path.rfind('/');
    if (backslash == std::string::npos) return slash;
    if (slash == std::string::npos) return backslash;
    return backslash > slash ? backslash : slash;
}

// The last dot that belongs to the file name, npos when there is none.
std::string::size_type ExtensionDot(const std::string& path)
{
    const std::string::size_type dot = path.rfind('.');
    const std::string::size_type separator = LastSeparator(path);
    if (dot == std::string::npos) return dot;
    if (separator != std::string::npos && dot < separator) return std::string::npos;
    return dot;
}

}  // namespace

std::string GetFileExtension(const std::string& path)
{
    const std::string::size_type dot = ExtensionDot(path);
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string ToLower(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string GetDirectory(const std::string& path)
{
    const std::string::size_type separator = LastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string GetFileName(const std::string& path)
{
    const std::string::size_type separator = LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string RemoveExtension(const std::string& path)
{
    const std::string::size_type dot = ExtensionDot(path);
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string GetExecutableFolder()
{
    std::vector<char> path(4096);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return length == 0 || length + 1 >= path.size() ? std::string() : GetDirectory(std::string(path.data(), length));
}

bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

std::string FindFileOrBesideExecutable(const std::string& path)
{
    // An absolute path is the same wherever the program is.
    return platform::win::FileExists(path) || IsAbsolutePath(path) ? path : GetExecutableFolder() + path;
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& namePattern,
                                   const std::string& extension)
{
    std::string searchFolder = folder;
    if (searchFolder.empty()) {
        char current[4096];
        const DWORD length = GetCurrentDirectoryA(sizeof(current), current);
        if (length == 0 || length >= sizeof(current)) return {};
        searchFolder = current;
    }
    const std::string pattern = searchFolder + "/" + namePattern + "." + extension;

    std::vector<std::string> names;
    WIN32_FIND_DATAA entry {};
    const HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        // Any folder, whatever further attribute bits it carries.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        names.emplace_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

bool ShowSaveFileDialog(const std::string& title, const std::string& filter, std::string& path)
{
    char initialFolder[MAX_PATH];
    const bool fits = path.size() + 1 <= sizeof(initialFolder);
    if (fits) std::memcpy(initialFolder, path.c_str(), path.size() + 1);
    path.clear();
    if (!fits) return false;

    char chosen[MAX_PATH] = "";
    OPENFILENAMEA dialog {};
    dialog.lStructSize = 152;
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof(chosen);
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameA(&dialog)) return false;
    chosen[sizeof(chosen) - 1] = '\0';
    path = chosen;
    return true;
}

}  // namespace qz::utils
