#include "platform/effects/TokenCursor.h"

#include "platform/effects/Numbers.h"

#include <algorithm>

namespace platform::effects {

std::string Spelled(const FxToken& token)
{
    return token.kind == FxKind::End ? std::string("end of file") : "'" + token.text + "'";
}

const FxToken& TokenCursor::Peek(std::size_t ahead) const
{
    const std::size_t last = list_.tokens.size() - 1;
    return list_.tokens[std::min(position_ + ahead, last)];
}

const FxToken& TokenCursor::Next()
{
    const FxToken& token = Peek();
    if (position_ + 1 < list_.tokens.size()) {
        ++position_;
    }
    return token;
}

bool TokenCursor::Accept(std::string_view punctuator)
{
    if (Peek().Is(punctuator)) {
        Next();
        return true;
    }
    return false;
}

bool TokenCursor::AcceptWord(std::string_view word)
{
    if (Peek().IsWord(word)) {
        Next();
        return true;
    }
    return false;
}

void TokenCursor::Expect(std::string_view punctuator)
{
    if (!Accept(punctuator)) {
        Fail(Peek(), message::kSyntax,
             "syntax error: expected '" + std::string(punctuator) + "' but found " + Spelled(Peek()));
    }
}

std::string TokenCursor::ExpectIdentifier(const char* what)
{
    if (Peek().kind != FxKind::Identifier) {
        Fail(Peek(), message::kSyntax, std::string("syntax error: expected ") + what + " but found " + Spelled(Peek()));
    }
    return Next().text;
}

std::uint32_t TokenCursor::ExpectInteger(double minimum, double maximum, int code, const std::string& failure)
{
    const FxToken& token = Next();
    NumberValue number;
    if (token.kind != FxKind::Number || !ParseNumber(token.text, number) || number.isFloat || number.value < minimum ||
        number.value > maximum) {
        Fail(token, code, failure);
    }
    return SaturateToUint(number.value);
}

void TokenCursor::SkipBalanced(std::string_view open, std::string_view close)
{
    const FxToken& start = Peek();
    Expect(open);
    int depth = 1;
    while (depth > 0) {
        const FxToken& token = Next();
        if (token.kind == FxKind::End) {
            Fail(start, message::kSyntax, "syntax error: " + Spelled(start) + " is never closed");
        }
        depth += token.Is(open) ? 1 : token.Is(close) ? -1 : 0;
    }
}

std::vector<FxToken> TokenCursor::TakeUntil(std::initializer_list<std::string_view> stops)
{
    std::vector<FxToken> taken;
    int depth = 0;
    for (;;) {
        const FxToken& token = Peek();
        if (token.kind == FxKind::End) {
            return taken;
        }
        if (depth == 0 && std::any_of(stops.begin(), stops.end(), [&](std::string_view s) { return token.Is(s); })) {
            return taken;
        }
        if (token.Is("(") || token.Is("[") || token.Is("{")) {
            ++depth;
        } else if (token.Is(")") || token.Is("]") || token.Is("}")) {
            if (depth == 0) {
                return taken;
            }
            --depth;
        }
        taken.push_back(Next());
    }
}

void TokenCursor::Fail(const FxToken& at, int code, const std::string& text)
{
    Error(at, code, text);
    throw SyntaxError{};
}

void TokenCursor::Unexpected(const char* expected)
{
    Fail(Peek(), message::kSyntax, std::string("syntax error: expected ") + expected + " but found " + Spelled(Peek()));
}

void TokenCursor::Error(const FxToken& at, int code, const std::string& text)
{
    diagnostics_.Error(list_.Where(at), code, text);
}

void TokenCursor::Warning(const FxToken& at, int code, const std::string& text)
{
    diagnostics_.Warning(list_.Where(at), code, text);
}

}  // namespace platform::effects
