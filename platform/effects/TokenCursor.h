#pragma once
// Reading effect tokens one by one. A syntax error is reported once and ends the parse
// (SyntaxError unwinds to the compiler's entry).

#include "platform/effects/FxTokens.h"

#include <string>
#include <string_view>

namespace platform::effects {

struct SyntaxError {};

class TokenCursor {
public:
    TokenCursor(const FxTokenList& list, Diagnostics& diagnostics) : list_(list), diagnostics_(diagnostics) {}

    const FxToken& Peek(std::size_t ahead = 0) const;
    const FxToken& Next();
    bool AtEnd() const { return Peek().kind == FxKind::End; }

    bool Accept(std::string_view punctuator);
    bool AcceptWord(std::string_view word);
    void Expect(std::string_view punctuator);
    std::string ExpectIdentifier(const char* what);
    // An integer literal from minimum to maximum; otherwise fails with the message.
    std::uint32_t ExpectInteger(double minimum, double maximum, int code, const std::string& failure);
    // From an opening bracket to just past its closing one.
    void SkipBalanced(std::string_view open, std::string_view close);
    // The tokens up to (not including) the first of the stops outside brackets.
    std::vector<FxToken> TakeUntil(std::initializer_list<std::string_view> stops);

    [[noreturn]] void Fail(const FxToken& at, int code, const std::string& text);
    [[noreturn]] void Unexpected(const char* expected);
    void Error(const FxToken& at, int code, const std::string& text);
    void Warning(const FxToken& at, int code, const std::string& text);
    SourceLocation Where(const FxToken& token) const { return list_.Where(token); }

private:
    const FxTokenList& list_;
    Diagnostics& diagnostics_;
    std::size_t position_ = 0;
};

// The token as a message shows it.
std::string Spelled(const FxToken& token);

}  // namespace platform::effects
