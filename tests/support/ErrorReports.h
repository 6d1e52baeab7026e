#pragma once
// Error reports in tests: the text a call throws, and a report taken apart.

#include "tarnwick/core/Exception.h"

#include <string>

namespace qz::test {

// The what() text of the exception that call throws, or "" when it throws none.
template <class Call>
std::string ErrorText(Call call)
{
    try {
        call();
    } catch (const qz::core::Exception& error) {
        return error.what();
    }
    return "";
}

// "method|file|message" of a report ("\nMethod: m\nFile: \"f\": line\nmessage"), the line
// left out; any other text as it is.
inline std::string ReportParts(const std::string& text)
{
    const std::string method = "\nMethod: ", file = "\nFile: \"", line = "\": ";
    const std::size_t fileAt = text.find(file), lineAt = text.find(line, fileAt), end = text.find('\n', lineAt + 1);
    if (text.rfind(method, 0) != 0 || fileAt == std::string::npos || lineAt == std::string::npos || end == std::string::npos) {
        return text;
    }
    return text.substr(method.size(), fileAt - method.size()) + "|" + text.substr(fileAt + file.size(), lineAt - fileAt - file.size()) +
           "|" + text.substr(end + 1);
}

// The parts of the report that the call throws; "" when it throws none.
template <class Call>
std::string ReportOf(Call call)
{
    return ReportParts(ErrorText(call));
}

}  // namespace qz::test
