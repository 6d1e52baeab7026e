#pragma once
// Test helpers for error reports: the text of the exception an action throws.

#include "tarnwick/core/Exception.h"

#include <functional>
#include <string>

namespace qz::test {

// what() of the qz::core::Exception the action throws, or "no exception".
inline std::string ErrorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const qz::core::Exception& error) {
        return error.what();
    }
    return "no exception";
}

inline bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace qz::test
