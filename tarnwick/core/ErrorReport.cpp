#include "tarnwick/core/ErrorReport.h"

#include "platform/win/ComError.h"

namespace qz::core {

std::string ReportFileName(const char* sourcePath)
{
    std::string path = sourcePath ? sourcePath : "";
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    const std::string::size_type slash = path.find_last_of('/');
    const std::string::size_type dot = path.find_last_of('.');
    const bool header = dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
                        path.compare(dot, std::string::npos, ".h") == 0;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);

    const std::string framework = "tarnwick/";
    if (path.compare(0, framework.size(), framework) == 0) {
        if (header) return path;
        path.erase(0, framework.size());
    }
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string FormatErrorReport(const std::string& method, const std::string& file, int line,
                              const std::string& message)
{
    return "\nMethod: " + method + "\nFile: \"" + file + "\": " + std::to_string(line) + "\n" + message;
}

std::string ComErrorText(HRESULT result)
{
    const _com_error error(result);
    std::string narrow;
    for (const WCHAR* c = error.ErrorMessage(); *c; ++c) {
        narrow.push_back(static_cast<char>(static_cast<unsigned>(*c) & 0xFF));
    }
    return narrow;
}

}  // namespace qz::core
