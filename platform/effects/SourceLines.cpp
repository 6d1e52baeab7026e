#include "platform/effects/SourceLines.h"

namespace platform::effects {
namespace {

// Length of a line break at i (\n, \r\n or \r), 0 when there is none.
std::size_t BreakAt(std::string_view s, std::size_t i)
{
    if (i >= s.size()) {
        return 0;
    }
    if (s[i] == '\n') {
        return 1;
    }
    if (s[i] == '\r') {
        return (i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
    }
    return 0;
}

}  // namespace

bool SourceLines::Next(LogicalLine& line)
{
    if (position_ >= source_.size()) {
        return false;
    }
    line.text.clear();
    line.firstLine = line_;
    line.physicalLines = 1;
    bool inBlockComment = false;
    char quote = 0;
    std::string_view s = source_;
    std::size_t i = position_;
    while (i < s.size()) {
        if (s[i] == '\\' && BreakAt(s, i + 1) > 0) {
            i += 1 + BreakAt(s, i + 1);
            ++line_;
            ++line.physicalLines;
            continue;
        }
        if (const std::size_t lineBreak = BreakAt(s, i)) {
            i += lineBreak;
            ++line_;
            if (!inBlockComment) {
                position_ = i;
                return true;
            }
            ++line.physicalLines;
            continue;
        }
        const char c = s[i] == '\0' ? ' ' : s[i];
        if (inBlockComment) {
            if (c == '*' && i + 1 < s.size() && s[i + 1] == '/') {
                inBlockComment = false;
                line.text += "  ";
                i += 2;
            } else {
                ++i;
            }
            continue;
        }
        if (quote) {
            line.text += c;
            if (c == '\\' && i + 1 < s.size() && BreakAt(s, i + 1) == 0) {
                line.text += s[i + 1];
                i += 2;
                continue;
            }
            if (c == quote) {
                quote = 0;
            }
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            // The comment runs to the end of the line; a spliced line continues it.
            while (i < s.size() && BreakAt(s, i) == 0) {
                if (s[i] == '\\' && BreakAt(s, i + 1) > 0) {
                    i += 1 + BreakAt(s, i + 1);
                    ++line_;
                    ++line.physicalLines;
                } else {
                    ++i;
                }
            }
            line.text += ' ';
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            inBlockComment = true;
            line.text += "  ";
            i += 2;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        }
        line.text += c;
        ++i;
    }
    position_ = s.size();
    unterminatedComment_ = inBlockComment;
    return true;
}

bool SourceLines::NextStartsWithParenthesis() const
{
    for (std::size_t i = position_; i < source_.size(); ++i) {
        const char c = source_[i];
        if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0') {
            continue;
        }
        return c == '(';
    }
    return false;
}

}  // namespace platform::effects
