#include "platform/effects/Condition.h"

#include <cstdint>
#include <limits>

namespace platform::effects {
namespace {

// Integer arithmetic wraps as the 64-bit unsigned value it is, so no input can overflow.
class ExpressionParser {
public:
    ExpressionParser(const std::vector<PpToken>& tokens, Diagnostics& diagnostics, const SourceLocation& where)
        : tokens_(tokens), diagnostics_(diagnostics), where_(where)
    {
    }

    bool Evaluate(std::int64_t& value)
    {
        value = Conditional(true);
        if (!failed_ && position_ < tokens_.size()) {
            Fail("unexpected '" + tokens_[position_].text + "' in #if expression");
        }
        return !failed_;
    }

private:
    static constexpr int kMaxDepth = 256;

    std::int64_t Conditional(bool live)
    {
        const std::int64_t condition = Binary(0, live);
        if (!Accept("?")) {
            return condition;
        }
        const std::int64_t yes = Conditional(live && condition != 0);
        if (!Accept(":")) {
            Fail("expected ':' in #if expression");
            return 0;
        }
        const std::int64_t no = Conditional(live && condition == 0);
        return condition != 0 ? yes : no;
    }

    // Precedence levels, lowest first.
    static int Level(const PpToken& token)
    {
        static const char* const levels[][4] = {{"||"},       {"&&"},       {"|"},        {"^"},
                                                {"&"},        {"==", "!="}, {"<", ">", "<=", ">="},
                                                {"<<", ">>"}, {"+", "-"},   {"*", "/", "%"}};
        if (token.kind != PpKind::Punctuator) {
            return -1;
        }
        for (int level = 0; level < 10; ++level) {
            for (const char* op : levels[level]) {
                if (op && token.text == op) {
                    return level;
                }
            }
        }
        return -1;
    }

    std::int64_t Binary(int level, bool live)
    {
        if (level == 10) {
            return Unary(live);
        }
        std::int64_t left = Binary(level + 1, live);
        while (!failed_ && position_ < tokens_.size() && Level(tokens_[position_]) == level) {
            const std::string op = tokens_[position_++].text;
            const bool rightLive = live && !(op == "||" && left != 0) && !(op == "&&" && left == 0);
            const std::int64_t right = Binary(level + 1, rightLive);
            left = Apply(op, left, right, rightLive);
        }
        return left;
    }

    std::int64_t Apply(const std::string& op, std::int64_t a, std::int64_t b, bool live)
    {
        const auto ua = static_cast<std::uint64_t>(a);
        const auto ub = static_cast<std::uint64_t>(b);
        if (op == "||") return (a != 0 || b != 0) ? 1 : 0;
        if (op == "&&") return (a != 0 && b != 0) ? 1 : 0;
        if (op == "|") return static_cast<std::int64_t>(ua | ub);
        if (op == "^") return static_cast<std::int64_t>(ua ^ ub);
        if (op == "&") return static_cast<std::int64_t>(ua & ub);
        if (op == "==") return a == b;
        if (op == "!=") return a != b;
        if (op == "<") return a < b;
        if (op == ">") return a > b;
        if (op == "<=") return a <= b;
        if (op == ">=") return a >= b;
        if (op == "<<") return static_cast<std::int64_t>(ua << (ub & 63));
        if (op == ">>") return a >> (ub & 63);
        if (op == "+") return static_cast<std::int64_t>(ua + ub);
        if (op == "-") return static_cast<std::int64_t>(ua - ub);
        if (op == "*") return static_cast<std::int64_t>(ua * ub);
        if (b == 0) {
            if (live) {
                Fail("division by zero in #if expression");
            }
            return 0;
        }
        if (a == std::numeric_limits<std::int64_t>::min() && b == -1) {
            return op == "/" ? a : 0;
        }
        return op == "/" ? a / b : a % b;
    }

    std::int64_t Unary(bool live)
    {
        if (++depth_ > kMaxDepth) {
            Fail("#if expression nested too deeply");
            return 0;
        }
        const std::int64_t value = UnaryInner(live);
        --depth_;
        return value;
    }

    std::int64_t UnaryInner(bool live)
    {
        if (failed_) {
            return 0;
        }
        if (position_ >= tokens_.size()) {
            Fail("unexpected end of #if expression");
            return 0;
        }
        const PpToken& token = tokens_[position_++];
        if (token.Is("-")) return static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(Unary(live)));
        if (token.Is("+")) return Unary(live);
        if (token.Is("!")) return Unary(live) == 0;
        if (token.Is("~")) return ~Unary(live);
        if (token.Is("(")) {
            const std::int64_t value = Conditional(live);
            if (!Accept(")")) {
                Fail("missing ')' in #if expression");
            }
            return value;
        }
        if (token.kind == PpKind::Identifier) {
            return token.text == "true" ? 1 : 0;
        }
        if (token.kind == PpKind::Number) {
            return Number(token.text);
        }
        if (token.kind == PpKind::Character && token.text.size() >= 3) {
            return static_cast<unsigned char>(token.text[1] == '\\' ? token.text[2] : token.text[1]);
        }
        Fail("unexpected '" + token.text + "' in #if expression");
        return 0;
    }

    std::int64_t Number(const std::string& text)
    {
        std::size_t i = 0;
        int base = 10;
        if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            i = 2;
        } else if (text.size() > 1 && text[0] == '0') {
            base = 8;
        }
        std::uint64_t value = 0;
        bool digits = false;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0 || digit >= base) {
                break;
            }
            value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            digits = true;
        }
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (c != 'u' && c != 'U' && c != 'l' && c != 'L') {
                digits = false;
                break;
            }
        }
        if (!digits) {
            Fail("invalid integer '" + text + "' in #if expression");
        }
        return static_cast<std::int64_t>(value);
    }

    bool Accept(const char* punctuator)
    {
        if (position_ < tokens_.size() && tokens_[position_].Is(punctuator)) {
            ++position_;
            return true;
        }
        return false;
    }

    void Fail(const std::string& text)
    {
        if (!failed_) {
            diagnostics_.Error(where_, message::kBadExpression, text);
        }
        failed_ = true;
    }

    const std::vector<PpToken>& tokens_;
    Diagnostics& diagnostics_;
    SourceLocation where_;
    std::size_t position_ = 0;
    int depth_ = 0;
    bool failed_ = false;
};

PpToken NumberToken(bool value, const PpToken& where)
{
    PpToken token = where;
    token.kind = PpKind::Number;
    token.text.assign(1, value ? '1' : '0');
    return token;
}

}  // namespace

bool EvaluateCondition(std::vector<PpToken> tokens, const MacroTable& macros, MacroExpander& expander,
                       Diagnostics& diagnostics, const SourceLocation& where, bool& value)
{
    std::vector<PpToken> resolved;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != PpKind::Identifier || tokens[i].text != "defined") {
            resolved.push_back(std::move(tokens[i]));
            continue;
        }
        const bool parenthesised = i + 1 < tokens.size() && tokens[i + 1].Is("(");
        const std::size_t nameAt = i + (parenthesised ? 2 : 1);
        if (nameAt >= tokens.size() || tokens[nameAt].kind != PpKind::Identifier ||
            (parenthesised && (nameAt + 1 >= tokens.size() || !tokens[nameAt + 1].Is(")")))) {
            diagnostics.Error(where, message::kBadExpression, "'defined' needs a macro name");
            return false;
        }
        resolved.push_back(NumberToken(macros.Find(tokens[nameAt].text) != nullptr, tokens[i]));
        i = nameAt + (parenthesised ? 1 : 0);
    }
    std::vector<PpToken> expanded;
    if (!expander.Expand(std::move(resolved), where.file, expanded, nullptr)) {
        return false;
    }
    if (expanded.empty()) {
        diagnostics.Error(where, message::kBadExpression, "#if without an expression");
        return false;
    }
    std::int64_t result = 0;
    ExpressionParser parser(expanded, diagnostics, where);
    if (!parser.Evaluate(result)) {
        return false;
    }
    value = result != 0;
    return true;
}

}  // namespace platform::effects

