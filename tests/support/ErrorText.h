#pragma once
// Test helper: the report text of the qz::core::Exception that an action throws.

#include "tarnwick/core/Exception.h"

#include <functional>
#include <string>

namespace qz::test {

inline std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const qz::core::Exception& error) {
        return error.what();
    }
    return "(no exception)";
}

}  // namespace qz::test
