#pragma once
// The process-wide logger: one message at a time under a global lock, written to every
// stream whose minimum level and type mask take it, and kept (without prefixes) in a
// buffer from which error reports take their text.

#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace qz::core {

enum LogType : std::uint64_t {
    LogTypeInfo = 1,
    LogTypeError = 2,
    LogTypeWarning = 4,
    LogTypeDebug = 8,
};

enum LogLevel : int {
    LogLevelDetail = 0,
    LogLevelNormal = 1,
    LogLevelImportant = 2,
    LogLevelErrorReport = 999,
};

extern const char* const ErrorPrefix;
extern const char* const WarningPrefix;
extern const char* const DebugPrefix;

// The prefix a stream writes for a message type: error wins over warning, warning over
// debug; info has none.
const char* PrefixForType(std::uint64_t type);

// A three-component vector of int, unsigned int or float in a message: "[a, b, c]",
// each value in its default format.
template <class T>
    requires std::is_same_v<T, int> || std::is_same_v<T, unsigned int> || std::is_same_v<T, float>
struct LogVector3 {
    T x, y, z;

    LogVector3(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    // The first three values of an array.
    explicit LogVector3(const T* values) : x(values[0]), y(values[1]), z(values[2]) {}

    friend std::ostream& operator<<(std::ostream& out, const LogVector3& v)
    {
        return out << "[" << v.x << ", " << v.y << ", " << v.z << "]";
    }
};
template <class T>
LogVector3(const T*) -> LogVector3<T>;

// Held from the beginning of a message to its end.
extern std::mutex LogMutex;

class LoggingStream {
public:
    LoggingStream(std::string name, std::ostream* out) : name_(std::move(name)), out_(out) {}
    virtual ~LoggingStream() = default;
    LoggingStream(const LoggingStream&) = delete;
    LoggingStream& operator=(const LoggingStream&) = delete;

    virtual void BeginLine(int level, std::uint64_t type);
    virtual void EndLine();
    virtual void ResetLine() { lineOpen_ = false; }
    virtual bool AcceptsType(std::uint64_t type) const { return (typeMask_ & type) != 0; }

    int MinLevel() const { return minLevel_; }
    void SetMinLevel(int level) { minLevel_ = level; }
    std::uint64_t TypeMask() const { return typeMask_; }
    void SetTypeMask(std::uint64_t mask) { typeMask_ = mask; }
    const std::string& Name() const { return name_; }
    std::ostream& Out() { return *out_; }
    std::mutex& Mutex() { return mutex_; }

private:
    int minLevel_ = 1;
    std::uint64_t typeMask_ = 0xFFF7;
    std::string name_;
    std::ostream* out_;
    bool lineOpen_ = false;
    std::mutex mutex_;
};

// Standard output, coloured by message type where the console has colours.
class ConsoleLoggingStream : public LoggingStream {
public:
    ConsoleLoggingStream();
    void BeginLine(int level, std::uint64_t type) override;
    void EndLine() override;

private:
    void* console_;
};

class FileLoggingStream : public LoggingStream {
public:
    // Replaces the file and writes the "tarnwick Logfile" header; throws when it cannot.
    explicit FileLoggingStream(const std::string& fileName);

private:
    std::fstream file_;
};

class Logger;

// The guard of one message: values chain with <<; the destructor ends the message.
// Without a logger (after Release) the values are only kept, for error reports.
class LogMessage {
public:
    LogMessage(LogMessage&& other) noexcept;
    LogMessage& operator=(LogMessage&&) = delete;
    ~LogMessage();

    LogMessage& SetType(std::uint64_t type);

    template <class Value>
    LogMessage& operator<<(const Value& value);

    // The values of this message so far, without prefixes.
    std::string Text() const;

private:
    friend class Logger;
    LogMessage(std::unique_lock<std::mutex> lock, Logger* logger);

    std::unique_lock<std::mutex> lock_;
    Logger* logger_;
    std::optional<std::ostringstream> orphanText_;
};

class Logger {
public:
    // Created on first use; null once released.
    static Logger* Instance();
    // Destroys the logger for good: the file stream first, then the console. Runs by
    // itself when the program exits.
    static void Release();

    static LogMessage BeginMessage(int level = LogLevelNormal);
    template <class Value>
    static LogMessage BeginMessageWith(const Value& first);
    // Flushes every stream under the global log lock.
    static void Flush();

    // Only under the global log lock, that is inside a message.
    template <class Value>
    Logger& operator<<(const Value& value);
    void ResetMessage();
    std::string GetText() const { return text_.str(); }
    void SetType(std::uint64_t type);
    int Level() const { return level_; }
    std::uint64_t Type() const { return type_; }

    void AddStream(std::shared_ptr<LoggingStream> stream);
    const std::vector<std::shared_ptr<LoggingStream>>& Streams() const { return streams_; }

    // Ends the current message on every stream; used by the message guard.
    void EndMessage();

private:
    Logger() = default;
    void FlushStreams();
    void WriteText(const std::string& text);

    std::vector<std::shared_ptr<LoggingStream>> streams_;
    int level_ = 1;
    std::uint64_t type_ = 0;
    std::ostringstream text_;
    bool atLineStart_ = true;
};

// ---------------------------------------------------------------------------------------

template <class Value>
Logger& Logger::operator<<(const Value& value)
{
    std::ostringstream formatted;
    formatted << value;
    WriteText(formatted.str());
    return *this;
}

template <class Value>
LogMessage& LogMessage::operator<<(const Value& value)
{
    if (logger_) {
        *logger_ << value;
    } else if (orphanText_) {
        *orphanText_ << value;
    }
    return *this;
}

template <class Value>
LogMessage Logger::BeginMessageWith(const Value& first)
{
    LogMessage message = BeginMessage(LogLevelNormal);
    message << first;
    return message;
}

}  // namespace qz::core
