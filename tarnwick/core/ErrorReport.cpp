#include "tarnwick/core/ErrorReport.h"

#include "tarnwick/core/WideText.h"

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
    return NarrowText(_com_error(result).ErrorMessage());
}

}  // namespace qz::core
