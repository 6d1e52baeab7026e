#pragma once
// Tokens of preprocessed effect text, each with its source location (the preprocessor's
// #line lines say which file and line). "#pragma" lines become one Pragma token each.

#include "platform/effects/Diagnostics.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::effects {

enum class FxKind : std::uint8_t { Identifier, Number, String, Punctuator, Pragma, End };

struct FxToken {
    FxKind kind = FxKind::End;
    std::string text;
    std::uint32_t file = 0;  // index into the file-name table
    int line = 1;
    int column = 1;

    bool Is(std::string_view punctuator) const { return kind == FxKind::Punctuator && text == punctuator; }
    bool IsWord(std::string_view word) const { return kind == FxKind::Identifier && text == word; }
};

struct FxTokenList {
    std::vector<FxToken> tokens;  // ends with one End token
    std::vector<std::string> files;

    SourceLocation Where(const FxToken& token) const { return {files[token.file], token.line, token.column}; }
};

// False after an error (reported); the list then still ends with End.
bool LexEffect(std::string_view text, const std::string& fileName, FxTokenList& list, Diagnostics& diagnostics);

}  // namespace platform::effects
