#pragma once
// Preprocessing tokens of one logical line.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::effects {

enum class PpKind : std::uint8_t { Identifier, Number, String, Character, Punctuator, Other };

// The macros a token came out of, which it may no longer expand (sorted ids).
using HideSet = std::shared_ptr<const std::vector<int>>;

struct PpToken {
    PpKind kind = PpKind::Other;
    std::string text;
    int line = 1;
    int column = 1;
    bool spaceBefore = false;
    HideSet hidden;

    bool Is(std::string_view punctuator) const { return kind == PpKind::Punctuator && text == punctuator; }
    bool Hides(int macro) const;
};

std::vector<PpToken> TokenizeLine(std::string_view text, int line);

// The tokens as text: a blank where the source had one, and wherever two tokens would
// otherwise run together into a different token.
std::string JoinTokens(const std::vector<PpToken>& tokens);

// True when text lexes as exactly one token (for ## pasting); the token is returned.
bool LexSingleToken(std::string_view text, PpToken& token);

HideSet HideSetUnion(const HideSet& a, const HideSet& b);
HideSet HideSetIntersection(const HideSet& a, const HideSet& b);
HideSet HideSetWith(const HideSet& a, int macro);

}  // namespace platform::effects
