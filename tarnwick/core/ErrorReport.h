#pragma once
// Error reports: the throw site writes the report to every log stream as an error,
// flushes the streams and throws an exception carrying the same text:
//   "\nMethod: " method "\nFile: \"" file "\": " line "\n" message ["\nCOM error message: " text]
//
//   QZ_THROW("qz::utils::SystemMemoryUsage::GetAvailableMemory", "GlobalMemoryStatusEx failed");
//   QZ_THROW_COM("qz::dx11::Texture2D::Create", hr, "Could not create texture ", name);
//   QZ_THROW_AS(EOutOfSlots, "qz::utils::FixedSlotMemoryManager::AllocateSlot", "Out of slots");
//
// Method names are literals, spelled as the reports of this system spell them.

#include "tarnwick/core/Exception.h"
#include "tarnwick/core/Logging.h"
#include "platform/win/Types.h"

#include <string>

namespace qz::core {

// The report's file of a source path relative to the source tree: "utils\MemUtils" for
// tarnwick/utils/MemUtils.cpp, "tarnwick/utils/PagingMemoryManager" for a framework
// header, "src\RawParticleReader" for src/RawParticleReader.h and .cpp.
std::string ReportFileName(const char* sourcePath);

// The report text for the given parts, without logging it.
std::string FormatErrorReport(const std::string& method, const std::string& file, int line,
                              const std::string& message);

// The system's text of an HRESULT, narrowed to one byte per code unit.
std::string ComErrorText(HRESULT result);

template <class ExceptionType = Exception, class... Values>
[[noreturn]] void ThrowErrorReport(const char* method, const std::string& file, int line,
                                   const Values&... values)
{
    std::string text;
    {
        LogMessage message = Logger::BeginMessage(LogLevelErrorReport);
        message.SetType(LogTypeError);
        message << "\nMethod: " << method << "\nFile: \"" << file << "\": " << line << "\n";
        (message << ... << values);
        text = message.Text();
    }
    Logger::Flush();
    throw ExceptionType(text);
}

template <class ExceptionType = Exception, class... Values>
[[noreturn]] void ThrowComErrorReport(const char* method, const std::string& file, int line,
                                      HRESULT result, const Values&... values)
{
    ThrowErrorReport<ExceptionType>(method, file, line, values..., "\nCOM error message: ",
                                    ComErrorText(result));
}

}  // namespace qz::core

#define QZ_THROW(method, ...) \
    ::qz::core::ThrowErrorReport(method, ::qz::core::ReportFileName(__FILE__), __LINE__, __VA_ARGS__)
#define QZ_THROW_AS(exceptionType, method, ...)                                                 \
    ::qz::core::ThrowErrorReport<exceptionType>(method, ::qz::core::ReportFileName(__FILE__), \
                                                __LINE__, __VA_ARGS__)
#define QZ_THROW_COM(method, result, ...)                                                   \
    ::qz::core::ThrowComErrorReport(method, ::qz::core::ReportFileName(__FILE__), __LINE__, \
                                    result, __VA_ARGS__)
