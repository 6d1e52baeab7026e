#include "platform/effects/PreprocessorTokens.h"

#include "platform/effects/Punctuators.h"

#include <algorithm>
#include <array>

namespace platform::effects {
namespace {

bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || IsDigit(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r' || c == '\n'; }

// Length of the token that starts at i.
std::size_t TokenLength(std::string_view s, std::size_t i, PpKind& kind)
{
    const char c = s[i];
    if (IsIdentifierStart(c)) {
        kind = PpKind::Identifier;
        std::size_t j = i + 1;
        while (j < s.size() && IsIdentifierChar(s[j])) {
            ++j;
        }
        return j - i;
    }
    if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
        kind = PpKind::Number;
        std::size_t j = i + 1;
        while (j < s.size()) {
            const char d = s[j];
            if ((d == '+' || d == '-') && (s[j - 1] == 'e' || s[j - 1] == 'E')) {
                ++j;
            } else if (IsIdentifierChar(d) || d == '.') {
                ++j;
            } else {
                break;
            }
        }
        return j - i;
    }
    if (c == '"' || c == '\'') {
        kind = c == '"' ? PpKind::String : PpKind::Character;
        std::size_t j = i + 1;
        while (j < s.size() && s[j] != c) {
            j += (s[j] == '\\' && j + 1 < s.size()) ? 2 : 1;
        }
        return std::min(j + 1, s.size()) - i;
    }
    const std::size_t punctuator = PunctuatorLength(s, i, true);
    kind = punctuator > 0 ? PpKind::Punctuator : PpKind::Other;
    return punctuator > 0 ? punctuator : 1;
}

bool RunTogether(const PpToken& a, const PpToken& b)
{
    auto word = [](const PpToken& t) { return t.kind == PpKind::Identifier || t.kind == PpKind::Number; };
    if (word(a) && word(b)) {
        return true;
    }
    if (a.kind == PpKind::Number && b.Is(".")) {
        return true;
    }
    if (a.kind == PpKind::Punctuator && b.kind == PpKind::Punctuator) {
        PpKind kind{};
        const std::string joined = a.text + b.text;
        return TokenLength(joined, 0, kind) > a.text.size();
    }
    return false;
}

}  // namespace

bool PpToken::Hides(int macro) const
{
    return hidden && std::binary_search(hidden->begin(), hidden->end(), macro);
}

std::vector<PpToken> TokenizeLine(std::string_view text, int line)
{
    std::vector<PpToken> tokens;
    bool space = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            space = true;
            ++i;
            continue;
        }
        PpToken token;
        const std::size_t length = TokenLength(text, i, token.kind);
        token.text.assign(text.substr(i, length));
        token.line = line;
        token.column = static_cast<int>(i) + 1;
        token.spaceBefore = space;
        tokens.push_back(std::move(token));
        space = false;
        i += length;
    }
    return tokens;
}

std::string JoinTokens(const std::vector<PpToken>& tokens)
{
    std::string text;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0 && (tokens[i].spaceBefore || RunTogether(tokens[i - 1], tokens[i]))) {
            text += ' ';
        }
        text += tokens[i].text;
    }
    return text;
}

bool LexSingleToken(std::string_view text, PpToken& token)
{
    if (text.empty() || IsBlank(text[0])) {
        return false;
    }
    const std::size_t length = TokenLength(text, 0, token.kind);
    if (length != text.size()) {
        return false;
    }
    token.text.assign(text);
    return true;
}

HideSet HideSetUnion(const HideSet& a, const HideSet& b)
{
    if (!a || a->empty()) {
        return b;
    }
    if (!b || b->empty()) {
        return a;
    }
    auto merged = std::make_shared<std::vector<int>>();
    std::set_union(a->begin(), a->end(), b->begin(), b->end(), std::back_inserter(*merged));
    return merged;
}

HideSet HideSetIntersection(const HideSet& a, const HideSet& b)
{
    if (!a || !b) {
        return nullptr;
    }
    auto common = std::make_shared<std::vector<int>>();
    std::set_intersection(a->begin(), a->end(), b->begin(), b->end(), std::back_inserter(*common));
    return common;
}

HideSet HideSetWith(const HideSet& a, int macro)
{
    if (a && std::binary_search(a->begin(), a->end(), macro)) {
        return a;
    }
    auto with = std::make_shared<std::vector<int>>(a ? *a : std::vector<int>{});
    with->insert(std::lower_bound(with->begin(), with->end(), macro), macro);
    return with;
}

}  // namespace platform::effects
