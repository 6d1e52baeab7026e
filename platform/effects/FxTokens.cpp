#include "platform/effects/FxTokens.h"

#include "platform/effects/Punctuators.h"

#include <cstdio>

namespace platform::effects {
namespace {

bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }

// A character as a message shows it: itself when printable, else its code.
std::string Shown(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7F) {
        return "'" + std::string(1, c) + "'";
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", code);
    return text;
}

class Lexer {
public:
    Lexer(FxTokenList& list, Diagnostics& diagnostics) : list_(list), diagnostics_(diagnostics) {}

    bool Run(std::string_view text, const std::string& fileName)
    {
        list_.files.push_back(fileName);
        std::size_t start = 0;
        int line = 1;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            const std::string_view content = text.substr(start, end - start);
            const std::size_t first = content.find_first_not_of(" \t\r\f\v");
            if (first != std::string_view::npos && content[first] == '#') {
                line = Directive(content.substr(first + 1), line);
            } else {
                LexLine(content, line);
                ++line;
            }
            start = end + 1;
        }
        FxToken end;
        end.kind = FxKind::End;
        end.file = file_;
        end.line = line;
        list_.tokens.push_back(std::move(end));
        return !failed_;
    }

private:
    // The line number of the line after the directive.
    int Directive(std::string_view rest, int line)
    {
        const std::size_t word = rest.find_first_not_of(" \t");
        rest = word == std::string_view::npos ? std::string_view() : rest.substr(word);
        if (rest.substr(0, 6) == "pragma") {
            FxToken token;
            token.kind = FxKind::Pragma;
            token.text.assign(rest.substr(6));
            token.file = file_;
            token.line = line;
            list_.tokens.push_back(std::move(token));
            return line + 1;
        }
        if (rest.substr(0, 4) == "line") {
            std::size_t i = 4;
            while (i < rest.size() && IsBlank(rest[i])) ++i;
            long long number = 0;
            std::size_t digits = 0;
            while (i < rest.size() && IsDigit(rest[i]) && digits < 10) {
                number = number * 10 + (rest[i++] - '0');
                ++digits;
            }
            while (i < rest.size() && IsBlank(rest[i])) ++i;
            if (i < rest.size() && rest[i] == '"') {
                std::string name;
                for (++i; i < rest.size() && rest[i] != '"'; ++i) {
                    if (rest[i] == '\\' && i + 1 < rest.size()) {
                        ++i;
                    }
                    name += rest[i];
                }
                SetFile(name);
            }
            if (digits > 0 && number > 0 && number < (1LL << 30)) {
                return static_cast<int>(number);
            }
        }
        Fail(line, 1, message::kSyntax, "unexpected preprocessor line");
        return line + 1;
    }

    void SetFile(const std::string& name)
    {
        for (std::size_t i = 0; i < list_.files.size(); ++i) {
            if (list_.files[i] == name) {
                file_ = static_cast<std::uint32_t>(i);
                return;
            }
        }
        file_ = static_cast<std::uint32_t>(list_.files.size());
        list_.files.push_back(name);
    }

    void LexLine(std::string_view s, int line)
    {
        std::size_t i = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (IsBlank(c)) {
                ++i;
                continue;
            }
            if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
                return;  // the preprocessor's own comment line
            }
            FxToken token;
            token.file = file_;
            token.line = line;
            token.column = static_cast<int>(i) + 1;
            std::size_t length = 1;
            if (IsIdentifierStart(c)) {
                token.kind = FxKind::Identifier;
                while (i + length < s.size() && (IsIdentifierStart(s[i + length]) || IsDigit(s[i + length]))) {
                    ++length;
                }
            } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
                token.kind = FxKind::Number;
                while (i + length < s.size()) {
                    const char d = s[i + length];
                    const char before = s[i + length - 1];
                    if (IsDigit(d) || IsIdentifierStart(d) || d == '.' ||
                        ((d == '+' || d == '-') && (before == 'e' || before == 'E'))) {
                        ++length;
                    } else {
                        break;
                    }
                }
            } else if (c == '"') {
                token.kind = FxKind::String;
                while (i + length < s.size() && s[i + length] != '"') {
                    length += (s[i + length] == '\\' && i + length + 1 < s.size()) ? 2 : 1;
                }
                if (i + length >= s.size()) {
                    Fail(line, token.column, message::kUnterminated, "unterminated string");
                    return;
                }
                ++length;
            } else {
                token.kind = FxKind::Punctuator;
                length = PunctuatorLength(s, i, false);
                if (length == 0) {
                    Fail(line, token.column, message::kSyntax, "unexpected character " + Shown(c));
                    ++i;
                    continue;
                }
            }
            token.text.assign(s.substr(i, length));
            list_.tokens.push_back(std::move(token));
            i += length;
        }
    }

    void Fail(int line, int column, int code, const std::string& text)
    {
        if (!failed_) {
            diagnostics_.Error({list_.files[file_], line, column}, code, text);
        }
        failed_ = true;
    }

    FxTokenList& list_;
    Diagnostics& diagnostics_;
    std::uint32_t file_ = 0;
    bool failed_ = false;
};

}  // namespace

bool LexEffect(std::string_view text, const std::string& fileName, FxTokenList& list, Diagnostics& diagnostics)
{
    Lexer lexer(list, diagnostics);
    return lexer.Run(text, fileName);
}

}  // namespace platform::effects
