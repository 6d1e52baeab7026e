#include "tarnwick/core/Logging.h"

#include "tarnwick/core/Exception.h"
#include "tarnwick/core/ErrorReport.h"
#include "platform/win/Console.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace qz::core {

const char* const ErrorPrefix = "\n*** ERROR ***\n";
const char* const WarningPrefix = "WARNING: ";
const char* const DebugPrefix = "[DEBUG] ";

std::mutex LogMutex;

namespace {

// Instance creation and release; never held together with a message.
std::mutex instanceMutex;
std::atomic<Logger*> instance{nullptr};
std::atomic<bool> released{false};

constexpr WORD ConsoleNormal = 7;

WORD ConsoleAttributeFor(int level, std::uint64_t type)
{
    if (type & LogTypeError) return 78;
    if (type & LogTypeWarning) return 14;
    if (type & LogTypeDebug) return 9;
    return level >= LogLevelImportant ? 10 : ConsoleNormal;
}

}  // namespace

const char* PrefixForType(std::uint64_t type)
{
    if (type & LogTypeError) return ErrorPrefix;
    if (type & LogTypeWarning) return WarningPrefix;
    if (type & LogTypeDebug) return DebugPrefix;
    return "";
}

// --- streams ---------------------------------------------------------------------------

void LoggingStream::BeginLine(int, std::uint64_t type)
{
    lineOpen_ = true;
    *out_ << PrefixForType(type);
}

void LoggingStream::EndLine()
{
    if (lineOpen_) *out_ << "\n";
}

ConsoleLoggingStream::ConsoleLoggingStream()
    : LoggingStream("cout", &std::cout), console_(GetStdHandle(STD_OUTPUT_HANDLE))
{
}

void ConsoleLoggingStream::BeginLine(int level, std::uint64_t type)
{
    SetConsoleTextAttribute(console_, ConsoleAttributeFor(level, type));
    LoggingStream::BeginLine(level, type);
}

void ConsoleLoggingStream::EndLine()
{
    LoggingStream::EndLine();
    SetConsoleTextAttribute(console_, ConsoleNormal);
}

FileLoggingStream::FileLoggingStream(const std::string& fileName)
    : LoggingStream("logfile", &file_)
{
    file_.open(fileName, std::ios::out | std::ios::trunc);
    if (!file_.is_open()) {
        // The logger is still being built, so this report does not go through it.
        throw Exception(FormatErrorReport("qz::core::FileLoggingStream::FileLoggingStream",
                                          ReportFileName(__FILE__), __LINE__,
                                          "Could not open log file " + fileName));
    }
    char date[80];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(date, sizeof(date), "%d. %B %Y, %H:%M:%S", &local);
    file_ << "tarnwick Logfile\nCreated " << date << "\n\n";
}

// --- logger ----------------------------------------------------------------------------

Logger* Logger::Instance()
{
    if (Logger* existing = instance.load(std::memory_order_acquire)) return existing;
    if (released.load()) return nullptr;
    std::lock_guard lock(instanceMutex);
    if (released.load()) return nullptr;
    if (Logger* existing = instance.load(std::memory_order_acquire)) return existing;
    std::unique_ptr<Logger> logger(new Logger);
    logger->AddStream(std::make_shared<ConsoleLoggingStream>());
    logger->AddStream(std::make_shared<FileLoggingStream>("./Log.txt"));
    // Every program ends with a whole log file, whether or not it releases the logger.
    static const bool releasedAtExit = std::atexit([] { Release(); }) == 0;
    (void)releasedAtExit;
    instance.store(logger.get(), std::memory_order_release);
    return logger.release();
}

void Logger::Release()
{
    std::lock_guard creation(instanceMutex);
    std::lock_guard message(LogMutex);
    released = true;
    Logger* logger = instance.exchange(nullptr);
    if (!logger) return;
    while (!logger->streams_.empty()) logger->streams_.pop_back();
    delete logger;
}

LogMessage Logger::BeginMessage(int level)
{
    Logger* logger = Instance();
    std::unique_lock lock(LogMutex);
    // Release may have run between Instance and the lock.
    logger = instance.load(std::memory_order_acquire);
    if (logger) {
        logger->ResetMessage();
        logger->level_ = level;
    }
    return LogMessage(std::move(lock), logger);
}

void Logger::Flush()
{
    std::lock_guard lock(LogMutex);
    if (Logger* logger = instance.load(std::memory_order_acquire)) logger->FlushStreams();
}

void Logger::FlushStreams()
{
    for (const auto& stream : streams_) stream->Out().flush();
}

void Logger::ResetMessage()
{
    text_.str(std::string());
    text_.clear();
    level_ = 1;
    type_ = 1;
    atLineStart_ = true;
    for (const auto& stream : streams_) stream->ResetLine();
}

void Logger::SetType(std::uint64_t type)
{
    type_ = type;
    atLineStart_ = true;
}

void Logger::WriteText(const std::string& text)
{
    for (const auto& stream : streams_) {
        if (!stream->AcceptsType(type_) || stream->MinLevel() > level_) continue;
        std::lock_guard lock(stream->Mutex());
        if (atLineStart_) stream->BeginLine(level_, type_);
        stream->Out() << text;
    }
    atLineStart_ = false;
    text_ << text;
}

void Logger::AddStream(std::shared_ptr<LoggingStream> stream)
{
    for (const auto& existing : streams_) {
        if (existing == stream) return;
    }
    streams_.push_back(std::move(stream));
}

void Logger::EndMessage()
{
    for (const auto& stream : streams_) stream->EndLine();
    if (level_ == LogLevelImportant) FlushStreams();
}

// --- message guard ---------------------------------------------------------------------

LogMessage::LogMessage(std::unique_lock<std::mutex> lock, Logger* logger)
    : lock_(std::move(lock)), logger_(logger)
{
    if (!logger_) orphanText_.emplace();
}

LogMessage::LogMessage(LogMessage&& other) noexcept
    : lock_(std::move(other.lock_)), logger_(other.logger_), orphanText_(std::move(other.orphanText_))
{
    other.logger_ = nullptr;
    other.orphanText_.reset();
}

LogMessage::~LogMessage()
{
    if (lock_.owns_lock() && logger_) logger_->EndMessage();
}

LogMessage& LogMessage::SetType(std::uint64_t type)
{
    if (logger_) logger_->SetType(type);
    return *this;
}

std::string LogMessage::Text() const
{
    if (logger_) return logger_->GetText();
    return orphanText_ ? orphanText_->str() : std::string();
}

}  // namespace qz::core
