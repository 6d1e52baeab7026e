#pragma once

#include <exception>
#include <string>

namespace qz::core {

// The one exception type of the framework; carries the whole error report as logged.
class Exception : public std::exception {
public:
    explicit Exception(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

}  // namespace qz::core
