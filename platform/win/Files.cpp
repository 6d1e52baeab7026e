#include "platform/win/Files.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FolderSearch {
    DIR* folder = nullptr;
    std::string folderPath;
    std::string namePattern;
};

DWORD AttributesOf(const struct stat& info, const std::string& name)
{
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (access(name.c_str(), W_OK) != 0 && errno == EACCES) attributes |= FILE_ATTRIBUTE_READONLY;
    const std::string::size_type slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!base.empty() && base[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// Fills data with the next entry that matches; false at the end.
bool NextMatch(FolderSearch& search, WIN32_FIND_DATAA* data)
{
    while (dirent* entry = readdir(search.folder)) {
        if (fnmatch(search.namePattern.c_str(), entry->d_name, FNM_CASEFOLD) != 0) continue;
        const std::string full = search.folderPath + "/" + entry->d_name;
        struct stat info {};
        if (stat(full.c_str(), &info) != 0 && lstat(full.c_str(), &info) != 0) continue;
        if (std::strlen(entry->d_name) >= MAX_PATH) continue;
        data->dwFileAttributes = AttributesOf(info, full);
        data->nFileSize = static_cast<UINT64>(info.st_size);
        std::strcpy(data->cFileName, entry->d_name);
        return true;
    }
    return false;
}

}  // namespace

DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer)
{
    char path[PATH_MAX];
    if (!getcwd(path, sizeof(path))) return 0;
    const std::size_t length = std::strlen(path);
    if (!buffer || length + 1 > bufferLength) return static_cast<DWORD>(length + 1);
    std::memcpy(buffer, path, length + 1);
    return static_cast<DWORD>(length);
}

BOOL SetCurrentDirectoryA(const char* path)
{
    if (!path) return FALSE;
    return chdir(platform::win::ToNativePath(path).c_str()) == 0 ? TRUE : FALSE;
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data)
{
    if (!pattern || !data) return INVALID_HANDLE_VALUE;
    const std::string native = platform::win::ToNativePath(pattern);
    const std::string::size_type slash = native.find_last_of('/');
    auto* search = new FolderSearch;
    std::string folderPath = slash == std::string::npos ? std::string(".") : native.substr(0, slash);
    if (folderPath.empty()) folderPath.push_back('/');
    search->folderPath = std::move(folderPath);
    search->namePattern = slash == std::string::npos ? native : native.substr(slash + 1);
    search->folder = opendir(search->folderPath.c_str());
    if (!search->folder || !NextMatch(*search, data)) {
        FindClose(search);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data)
{
    if (!search || search == INVALID_HANDLE_VALUE || !data) return FALSE;
    return NextMatch(*static_cast<FolderSearch*>(search), data) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE search)
{
    if (!search || search == INVALID_HANDLE_VALUE) return FALSE;
    auto* folderSearch = static_cast<FolderSearch*>(search);
    if (folderSearch->folder) closedir(folderSearch->folder);
    delete folderSearch;
    return TRUE;
}

DWORD GetModuleFileNameA(void* module, char* buffer, DWORD size)
{
    if (module || !buffer || size == 0) return 0;
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length < 0) return 0;
    const auto copied = static_cast<DWORD>(length) < size ? static_cast<DWORD>(length) : size - 1;
    std::memcpy(buffer, path, copied);
    buffer[copied] = '\0';
    return copied;
}

BOOL MakeSureDirectoryPathExists(const char* path)
{
    if (!path) return FALSE;
    const std::string native = platform::win::ToNativePath(path);
    const std::string::size_type last = native.find_last_of('/');
    if (last == std::string::npos) return TRUE;
    for (std::string::size_type at = native.find('/', 1); at != std::string::npos && at <= last;
         at = native.find('/', at + 1)) {
        const std::string folder = native.substr(0, at);
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return FALSE;
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesA(const char* path)
{
    if (!path) return INVALID_FILE_ATTRIBUTES;
    const std::string native = platform::win::ToNativePath(path);
    struct stat info {};
    if (stat(native.c_str(), &info) != 0) return INVALID_FILE_ATTRIBUTES;
    return AttributesOf(info, native);
}

namespace platform::win {

std::string ToNativePath(const std::string& path)
{
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace platform::win
