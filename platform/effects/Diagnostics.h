#pragma once
// Compiler and preprocessor messages, collected in the order they arise, in the form
// "file(line,col): error X1234: text".

#include <string>

namespace platform::effects {

struct SourceLocation {
    std::string file;
    int line = 1;
    int column = 1;
};

class Diagnostics {
public:
    void Error(const SourceLocation& where, int code, const std::string& text);
    void Warning(const SourceLocation& where, int code, const std::string& text);

    bool HasErrors() const { return errors_ > 0; }
    int ErrorCount() const { return errors_; }
    const std::string& Text() const { return text_; }

private:
    void Add(const SourceLocation& where, const char* kind, int code, const std::string& text);

    std::string text_;
    int errors_ = 0;
};

// Message codes: 1xxx preprocessor, 3xxx effect declarations, 4xxx shader interfaces.
namespace message {
constexpr int kUnknownDirective = 1501;
constexpr int kErrorDirective = 1502;
constexpr int kIncludeNotFound = 1503;
constexpr int kIncludeTooDeep = 1504;
constexpr int kConditionalMismatch = 1505;
constexpr int kUnterminatedConditional = 1506;
constexpr int kMacroRedefinition = 1507;
constexpr int kBadMacroDefinition = 1508;
constexpr int kBadMacroCall = 1509;
constexpr int kBadExpression = 1510;
constexpr int kBadLineDirective = 1511;
constexpr int kExpansionLimit = 1512;
constexpr int kBadInclude = 1513;
constexpr int kBadPaste = 1515;
constexpr int kUnterminated = 1516;
constexpr int kSyntax = 3000;
constexpr int kRedefinition = 3003;
constexpr int kUndeclared = 3004;
constexpr int kUnknownType = 3005;
constexpr int kBadArraySize = 3018;
constexpr int kNoMatchingFunction = 3013;
constexpr int kEntryPointNotFound = 3501;
constexpr int kUnsupported = 3502;
constexpr int kBadStateAssignment = 3503;
constexpr int kBadRegister = 3504;
constexpr int kBadTarget = 3505;
constexpr int kBadProfile = 3506;
constexpr int kBadSemantic = 4502;
}  // namespace message

}  // namespace platform::effects
