#include "platform/effects/Preprocessor.h"

#include "platform/effects/Condition.h"
#include "platform/effects/FormatVersion.h"
#include "platform/effects/Macros.h"
#include "platform/effects/SourceLines.h"

#include <limits>
#include <set>

namespace platform::effects {
namespace {

constexpr int kMaxIncludeDepth = 32;
// A file that includes itself twice would otherwise double the work with every level.
constexpr int kMaxIncludes = 1024;
constexpr std::size_t kMaxOutputBytes = std::size_t{16} << 20;
// After this many errors the rest would only repeat them.
constexpr int kMaxErrors = 100;

struct Conditional {
    bool parentActive = true;
    bool taking = true;
    bool anyTaken = false;
    bool sawElse = false;
    SourceLocation where;
};

struct FileState {
    IncludedFile file;
    SourceLines lines;
    std::string name;    // as reported; #line may change it
    int lineOffset = 0;  // reported line minus physical line
    std::vector<Conditional> conditionals;

    bool Active() const { return conditionals.empty() || conditionals.back().taking; }
    int Reported(int physical) const { return physical + lineOffset; }
};

bool IsIdentifier(const std::string& text)
{
    std::vector<PpToken> tokens = TokenizeLine(text, 1);
    return tokens.size() == 1 && tokens[0].kind == PpKind::Identifier;
}

std::string Quoted(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

std::string Unquoted(const std::string& literal)
{
    std::string text;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        if (literal[i] == '\\' && i + 2 < literal.size()) {
            ++i;
        }
        text += literal[i];
    }
    return text;
}

class Preprocessor {
public:
    Preprocessor(const PreprocessRequest& request, Diagnostics& diagnostics)
        : request_(request), diagnostics_(diagnostics), expander_(macros_, diagnostics)
    {
    }

    bool Run(std::string& text)
    {
        out_ = "// fx_5_0 effect compiler, compiled-effect format " + std::to_string(kCompiledFormatVersion) + "\n";
        DefineCallerMacros();
        if (!diagnostics_.HasErrors()) {
            IncludedFile top{request_.sourceName, request_.source, request_.sourceData};
            ProcessFile(top, 0);
        }
        if (diagnostics_.HasErrors()) {
            return false;
        }
        text = std::move(out_);
        return true;
    }

private:
    void DefineCallerMacros()
    {
        const SourceLocation where{request_.sourceName, 1, 1};
        for (const auto& [name, value] : request_.macros) {
            if (!IsIdentifier(name)) {
                diagnostics_.Error(where, message::kBadMacroDefinition, "invalid macro name '" + name + "'");
                continue;
            }
            Macro macro;
            macro.body = TokenizeLine(value, 1);
            if (!macro.body.empty()) {
                macro.body.front().spaceBefore = false;
            }
            macros_.Define(name, std::move(macro));
        }
    }

    bool Stopped() const { return stopped_ || diagnostics_.ErrorCount() >= kMaxErrors; }

    void ProcessFile(const IncludedFile& file, int depth)
    {
        FileState state{file, SourceLines(file.content), file.name, 0, {}};
        EmitLineMarker(1, state.name);
        LogicalLine line;
        while (!Stopped() && state.lines.Next(line)) {
            std::vector<PpToken> tokens = TokenizeLine(line.text, state.Reported(line.firstLine));
            if (!tokens.empty() && tokens[0].Is("#")) {
                Directive(state, line, tokens, depth);
            } else if (state.Active()) {
                TextLine(state, line, std::move(tokens));
            } else {
                EmitBlank(line.physicalLines);
            }
        }
        if (state.lines.UnterminatedComment()) {
            diagnostics_.Error({state.name, state.Reported(state.lines.CurrentLine()), 1}, message::kUnterminated,
                               "unterminated comment at end of file");
        }
        for (const Conditional& open : state.conditionals) {
            diagnostics_.Error(open.where, message::kUnterminatedConditional, "unterminated conditional directive");
        }
    }

    void TextLine(FileState& state, const LogicalLine& line, std::vector<PpToken> tokens)
    {
        int extraLines = 0;
        const MacroExpander::MoreTokens more = [&](std::deque<PpToken>& input, bool openingOnly) {
            LogicalLine next;
            if (openingOnly && !state.lines.NextStartsWithParenthesis()) {
                return false;
            }
            if (!state.lines.Next(next)) {
                return false;
            }
            extraLines += next.physicalLines;
            std::vector<PpToken> added = TokenizeLine(next.text, state.Reported(next.firstLine));
            if (!added.empty() && added[0].Is("#")) {
                return false;
            }
            input.insert(input.end(), added.begin(), added.end());
            return true;
        };
        const int column = tokens.empty() ? 1 : tokens.front().column;
        std::vector<PpToken> expanded;
        bool changed = false;
        if (!expander_.Expand(std::move(tokens), state.name, expanded, more, &changed)) {
            stopped_ = true;
            return;
        }
        if (!changed && extraLines == 0) {
            std::size_t end = line.text.find_last_not_of(" \t");
            Emit(end == std::string::npos ? std::string_view() : std::string_view(line.text).substr(0, end + 1));
        } else {
            Emit(std::string(static_cast<std::size_t>(column - 1), ' ') + JoinTokens(expanded));
        }
        EmitBlank(line.physicalLines - 1 + extraLines);
    }

    void Directive(FileState& state, const LogicalLine& line, std::vector<PpToken>& tokens, int depth)
    {
        const SourceLocation where{state.name, tokens[0].line, tokens[0].column};
        const std::string name = tokens.size() > 1 ? tokens[1].text : std::string();
        std::vector<PpToken> rest(tokens.begin() + std::min<std::ptrdiff_t>(2, static_cast<std::ptrdiff_t>(tokens.size())),
                                  tokens.end());
        const bool active = state.Active();
        bool handled = FollowConditional(state, name, rest, where, active);
        if (!handled && active) {
            if (name == "define") {
                Define(rest, where);
            } else if (name == "undef") {
                if (rest.empty() || rest[0].kind != PpKind::Identifier) {
                    diagnostics_.Error(where, message::kBadMacroDefinition, "#undef needs a macro name");
                } else {
                    macros_.Undefine(rest[0].text);
                }
            } else if (name == "include") {
                EmitBlank(line.physicalLines - 1);
                Include(state, line, rest, where, depth);
                return;
            } else if (name == "line") {
                EmitBlank(line.physicalLines - 1);
                LineDirective(state, line, rest, where);
                return;
            } else if (name == "error") {
                diagnostics_.Error(where, message::kErrorDirective, "#error " + JoinTokens(rest));
            } else if (name == "pragma") {
                if (rest.size() == 1 && rest[0].text == "once") {
                    onceFiles_.insert(state.file.name);
                } else {
                    Emit("#pragma " + JoinTokens(rest));
                    EmitBlank(line.physicalLines - 1);
                    return;
                }
            } else if (!name.empty()) {
                diagnostics_.Error(where, message::kUnknownDirective, "invalid preprocessor command '" + name + "'");
            }
        }
        EmitBlank(line.physicalLines);
    }

    // True for the conditional directives, which are followed even in skipped lines.
    bool FollowConditional(FileState& state, const std::string& name, std::vector<PpToken>& rest,
                     const SourceLocation& where, bool active)
    {
        auto& stack = state.conditionals;
        if (name == "if" || name == "ifdef" || name == "ifndef") {
            Conditional entry{active, false, false, false, where};
            if (active) {
                bool value = false;
                if (name == "if") {
                    EvaluateCondition(std::move(rest), macros_, expander_, diagnostics_, where, value);
                } else if (rest.empty() || rest[0].kind != PpKind::Identifier) {
                    diagnostics_.Error(where, message::kBadExpression, "#" + name + " needs a macro name");
                } else {
                    value = (macros_.Find(rest[0].text) != nullptr) == (name == "ifdef");
                }
                entry.taking = entry.anyTaken = value;
            }
            stack.push_back(entry);
            return true;
        }
        if (name != "elif" && name != "else" && name != "endif") {
            return false;
        }
        if (stack.empty()) {
            diagnostics_.Error(where, message::kConditionalMismatch, "#" + name + " without #if");
            return true;
        }
        Conditional& entry = stack.back();
        if (name == "endif") {
            stack.pop_back();
            return true;
        }
        if (entry.sawElse) {
            diagnostics_.Error(where, message::kConditionalMismatch, "#" + name + " after #else");
            return true;
        }
        if (name == "else") {
            entry.sawElse = true;
            entry.taking = entry.parentActive && !entry.anyTaken;
            entry.anyTaken = true;
        } else if (!entry.parentActive || entry.anyTaken) {
            entry.taking = false;
        } else {
            bool value = false;
            EvaluateCondition(std::move(rest), macros_, expander_, diagnostics_, where, value);
            entry.taking = entry.anyTaken = value;
        }
        return true;
    }

    void Define(std::vector<PpToken>& rest, const SourceLocation& where)
    {
        if (rest.empty() || rest[0].kind != PpKind::Identifier || rest[0].text == "defined") {
            diagnostics_.Error(where, message::kBadMacroDefinition, "#define needs a macro name");
            return;
        }
        Macro macro;
        std::size_t i = 1;
        if (rest.size() > 1 && rest[1].Is("(") && !rest[1].spaceBefore) {
            macro.functionLike = true;
            i = 2;
            bool closed = false;
            while (i < rest.size()) {
                const PpToken& token = rest[i++];
                if (token.Is(")") && macro.parameters.empty()) {
                    closed = true;
                    break;
                }
                if (token.kind != PpKind::Identifier || std::find(macro.parameters.begin(), macro.parameters.end(),
                                                                  token.text) != macro.parameters.end()) {
                    break;
                }
                macro.parameters.push_back(token.text);
                if (i < rest.size() && rest[i].Is(")")) {
                    ++i;
                    closed = true;
                    break;
                }
                if (i >= rest.size() || !rest[i].Is(",")) {
                    break;
                }
                ++i;
            }
            if (!closed) {
                diagnostics_.Error(where, message::kBadMacroDefinition,
                                   "invalid parameter list of macro '" + rest[0].text + "'");
                return;
            }
        }
        macro.body.assign(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.end());
        if (!macro.body.empty()) {
            macro.body.front().spaceBefore = false;
            if (macro.body.front().Is("##") || macro.body.back().Is("##")) {
                diagnostics_.Error(where, message::kBadMacroDefinition, "'##' cannot start or end a macro");
                return;
            }
        }
        for (std::size_t b = 0; macro.functionLike && b < macro.body.size(); ++b) {
            if (macro.body[b].Is("#") &&
                (b + 1 >= macro.body.size() ||
                 std::find(macro.parameters.begin(), macro.parameters.end(), macro.body[b + 1].text) ==
                     macro.parameters.end())) {
                diagnostics_.Error(where, message::kBadMacroDefinition, "'#' must be followed by a macro parameter");
                return;
            }
        }
        if (!macros_.Define(rest[0].text, std::move(macro))) {
            diagnostics_.Warning(where, message::kMacroRedefinition, "'" + rest[0].text + "': macro redefinition");
        }
    }

    void Include(FileState& state, const LogicalLine& line, std::vector<PpToken>& rest, const SourceLocation& where,
                 int depth)
    {
        const int resume = state.Reported(line.firstLine + line.physicalLines);
        std::string name;
        bool system = false;
        if (!IncludeName(line, rest, where, name, system)) {
            EmitBlank(1);
            return;
        }
        if (depth + 1 > kMaxIncludeDepth) {
            diagnostics_.Error(where, message::kIncludeTooDeep, "#include nested too deeply");
            stopped_ = true;
            return;
        }
        if (++includes_ > kMaxIncludes) {
            diagnostics_.Error(where, message::kIncludeTooDeep, "more than " + std::to_string(kMaxIncludes) + " #include");
            stopped_ = true;
            return;
        }
        IncludedFile included;
        if (!request_.includes || !request_.includes->Open(system, name, state.file, included)) {
            diagnostics_.Error(where, message::kIncludeNotFound, "cannot open include file '" + name + "'");
            EmitBlank(1);
            return;
        }
        if (onceFiles_.count(included.name) == 0) {
            ProcessFile(included, depth + 1);
            EmitLineMarker(resume, state.name);
        } else {
            EmitBlank(1);
        }
        request_.includes->Close(included);
    }

    bool IncludeName(const LogicalLine& line, std::vector<PpToken>& rest, const SourceLocation& where,
                     std::string& name, bool& system)
    {
        if (!rest.empty() && rest[0].kind != PpKind::String && !rest[0].Is("<")) {
            std::vector<PpToken> expanded;
            if (expander_.Expand(rest, where.file, expanded, nullptr)) {
                rest = std::move(expanded);
            }
            if (!rest.empty() && rest[0].Is("<")) {
                std::string joined = JoinTokens(rest);
                const std::size_t close = joined.find('>');
                if (close != std::string::npos) {
                    name = joined.substr(1, close - 1);
                    system = true;
                    return true;
                }
            }
        }
        if (!rest.empty() && rest[0].kind == PpKind::String && rest[0].text.size() >= 2 &&
            rest[0].text.back() == '"') {
            name = rest[0].text.substr(1, rest[0].text.size() - 2);
            return true;
        }
        if (!rest.empty() && rest[0].Is("<")) {
            const std::size_t open = static_cast<std::size_t>(rest[0].column);
            const std::size_t close = line.text.find('>', open);
            if (close != std::string::npos) {
                name = line.text.substr(open, close - open);
                system = true;
                return true;
            }
        }
        diagnostics_.Error(where, message::kBadInclude, "#include expects \"file\" or <file>");
        return false;
    }

    void LineDirective(FileState& state, const LogicalLine& line, std::vector<PpToken>& rest,
                       const SourceLocation& where)
    {
        std::vector<PpToken> expanded;
        if (!rest.empty() && rest[0].kind != PpKind::Number && expander_.Expand(rest, where.file, expanded, nullptr)) {
            rest = std::move(expanded);
        }
        long long number = 0;
        bool valid = !rest.empty() && rest[0].kind == PpKind::Number && rest.size() <= 2;
        for (char c : valid ? rest[0].text : std::string()) {
            if (c < '0' || c > '9' || number > std::numeric_limits<int>::max() / 10 - 10) {
                valid = false;
                break;
            }
            number = number * 10 + (c - '0');
        }
        if (valid && rest.size() == 2) {
            valid = rest[1].kind == PpKind::String && rest[1].text.size() >= 2 && rest[1].text.back() == '"';
        }
        if (!valid || number < 1) {
            diagnostics_.Error(where, message::kBadLineDirective, "#line expects a line number and an optional file name");
            EmitBlank(1);
            return;
        }
        if (rest.size() == 2) {
            state.name = Unquoted(rest[1].text);
        }
        state.lineOffset = static_cast<int>(number) - (line.firstLine + line.physicalLines);
        EmitLineMarker(static_cast<int>(number), state.name);
    }

    void Emit(std::string_view text)
    {
        if (out_.size() + text.size() + 1 > kMaxOutputBytes) {
            if (!stopped_) {
                diagnostics_.Error({request_.sourceName, 1, 1}, message::kExpansionLimit, "preprocessed text too large");
            }
            stopped_ = true;
            return;
        }
        out_ += text;
        out_ += '\n';
    }

    void EmitBlank(int lines)
    {
        for (int i = 0; i < lines; ++i) {
            Emit({});
        }
    }

    void EmitLineMarker(int line, const std::string& name) { Emit("#line " + std::to_string(line) + " " + Quoted(name)); }

    const PreprocessRequest& request_;
    Diagnostics& diagnostics_;
    MacroTable macros_;
    MacroExpander expander_;
    std::set<std::string> onceFiles_;
    std::string out_;
    int includes_ = 0;
    bool stopped_ = false;
};

}  // namespace

bool Preprocess(const PreprocessRequest& request, std::string& text, Diagnostics& diagnostics)
{
    Preprocessor preprocessor(request, diagnostics);
    return preprocessor.Run(text);
}

}  // namespace platform::effects
