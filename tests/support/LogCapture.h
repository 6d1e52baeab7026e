#pragma once
// Collects every log message, all levels and types, for the lifetime of the capture.

#include "tarnwick/core/Logging.h"

#include <memory>
#include <sstream>
#include <string>

namespace qz::test {

class LogCapture {
public:
    LogCapture() : stream_(std::make_shared<Stream>())
    {
        stream_->SetMinLevel(0);
        stream_->SetTypeMask(~std::uint64_t{0});
        core::Logger::Instance()->AddStream(stream_);
    }
    // The logger keeps its streams; a finished capture only stops taking messages.
    ~LogCapture() { stream_->SetTypeMask(0); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const { return stream_->text.str(); }

private:
    struct Stream : core::LoggingStream {
        Stream() : LoggingStream("capture", &text) {}
        std::ostringstream text;
    };
    std::shared_ptr<Stream> stream_;
};

}  // namespace qz::test
