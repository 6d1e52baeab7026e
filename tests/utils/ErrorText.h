#pragma once

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

}  // namespace qz::test
