#include "platform/effects/Macros.h"

#include <algorithm>

namespace platform::effects {
namespace {

// Work limits: far above what an effect file needs, far below what exhausts memory.
constexpr std::size_t kMaxExpandedTokens = 500'000;
constexpr int kMaxNesting = 200;

int ParameterIndex(const Macro& macro, const PpToken& token)
{
    if (!macro.functionLike || token.kind != PpKind::Identifier) {
        return -1;
    }
    const auto found = std::find(macro.parameters.begin(), macro.parameters.end(), token.text);
    return found == macro.parameters.end() ? -1 : static_cast<int>(found - macro.parameters.begin());
}

PpToken Stringize(const std::vector<PpToken>& argument, const PpToken& where)
{
    PpToken token;
    token.kind = PpKind::String;
    token.text = "\"";
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (i > 0 && argument[i].spaceBefore) {
            token.text += ' ';
        }
        const bool literal = argument[i].kind == PpKind::String || argument[i].kind == PpKind::Character;
        for (char c : argument[i].text) {
            if (literal && (c == '"' || c == '\\')) {
                token.text += '\\';
            }
            token.text += c;
        }
    }
    token.text += '"';
    token.line = where.line;
    token.column = where.column;
    return token;
}

}  // namespace

bool Macro::SameDefinition(const Macro& other) const
{
    if (functionLike != other.functionLike || parameters != other.parameters || body.size() != other.body.size()) {
        return false;
    }
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i].text != other.body[i].text || (i > 0 && body[i].spaceBefore != other.body[i].spaceBefore)) {
            return false;
        }
    }
    return true;
}

const Macro* MacroTable::Find(const std::string& name) const
{
    const auto found = macros_.find(name);
    return found == macros_.end() ? nullptr : &found->second;
}

bool MacroTable::Define(const std::string& name, Macro macro)
{
    const auto id = ids_.try_emplace(name, static_cast<int>(ids_.size())).first->second;
    macro.id = id;
    const auto [slot, added] = macros_.try_emplace(name, macro);
    if (added) {
        return true;
    }
    const bool same = slot->second.SameDefinition(macro);
    slot->second = std::move(macro);
    return same;
}

bool MacroExpander::Expand(std::vector<PpToken> tokens, const std::string& file, std::vector<PpToken>& output,
                           const MoreTokens& more, bool* expanded)
{
    file_ = file;
    expanded_ = false;
    failed_ = false;
    std::deque<PpToken> input(std::make_move_iterator(tokens.begin()), std::make_move_iterator(tokens.end()));
    const bool ok = Run(input, output, more ? &more : nullptr, 0);
    if (expanded) {
        *expanded = expanded_;
    }
    return ok;
}

bool MacroExpander::Run(std::deque<PpToken>& input, std::vector<PpToken>& output, const MoreTokens* more, int depth)
{
    if (depth > kMaxNesting) {
        Fail(input.empty() ? PpToken{} : input.front(), message::kExpansionLimit, "macro arguments nested too deeply");
        return false;
    }
    while (!input.empty()) {
        PpToken token = std::move(input.front());
        input.pop_front();
        const Macro* macro = token.kind == PpKind::Identifier ? macros_.Find(token.text) : nullptr;
        if (!macro || token.Hides(macro->id)) {
            output.push_back(std::move(token));
            continue;
        }
        std::vector<std::vector<PpToken>> arguments;
        HideSet hidden;
        if (!macro->functionLike) {
            hidden = HideSetWith(token.hidden, macro->id);
        } else {
            if (input.empty() && more) {
                (*more)(input, true);
            }
            if (input.empty() || !input.front().Is("(")) {
                output.push_back(std::move(token));
                continue;
            }
            input.pop_front();
            arguments.emplace_back();
            int nesting = 0;
            PpToken closing;
            for (;;) {
                // Blank lines give no tokens; read on to the next one that does.
                while (input.empty()) {
                    if (!(more && (*more)(input, false))) {
                        Fail(token, message::kBadMacroCall, "unterminated argument list of macro '" + token.text + "'");
                        return false;
                    }
                }
                PpToken next = std::move(input.front());
                input.pop_front();
                if (next.Is(")") && nesting == 0) {
                    closing = std::move(next);
                    break;
                }
                if (next.Is("(")) {
                    ++nesting;
                } else if (next.Is(")")) {
                    --nesting;
                } else if (next.Is(",") && nesting == 0) {
                    arguments.emplace_back();
                    continue;
                }
                arguments.back().push_back(std::move(next));
            }
            if (macro->parameters.empty() && arguments.size() == 1 && arguments[0].empty()) {
                arguments.clear();
            }
            if (arguments.size() != macro->parameters.size()) {
                Fail(token, message::kBadMacroCall,
                     "macro '" + token.text + "' takes " + std::to_string(macro->parameters.size()) +
                         " arguments, not " + std::to_string(arguments.size()));
                return false;
            }
            hidden = HideSetWith(HideSetIntersection(token.hidden, closing.hidden), macro->id);
        }
        std::vector<PpToken> replacement;
        if (!Substitute(*macro, arguments, hidden, token, depth, replacement) || !Spend(replacement.size(), token)) {
            return false;
        }
        expanded_ = true;
        input.insert(input.begin(), std::make_move_iterator(replacement.begin()),
                     std::make_move_iterator(replacement.end()));
    }
    return true;
}

bool MacroExpander::Substitute(const Macro& macro, const std::vector<std::vector<PpToken>>& arguments,
                               const HideSet& hidden, const PpToken& name, int depth, std::vector<PpToken>& result)
{
    const std::vector<PpToken>& body = macro.body;
    std::vector<std::vector<PpToken>> expandedArguments(arguments.size());
    std::vector<bool> argumentExpanded(arguments.size(), false);
    bool placemarker = false;  // the last thing appended was an empty argument
    for (std::size_t i = 0; i < body.size(); ++i) {
        const PpToken& part = body[i];
        const int parameter = ParameterIndex(macro, part);
        if (macro.functionLike && part.Is("#") && i + 1 < body.size()) {
            const int operand = ParameterIndex(macro, body[i + 1]);
            if (operand >= 0) {
                result.push_back(Stringize(arguments[operand], name));
                placemarker = false;
                ++i;
                continue;
            }
        }
        if (part.Is("##") && i + 1 < body.size()) {
            const PpToken& next = body[++i];
            const int operand = ParameterIndex(macro, next);
            std::vector<PpToken> right = operand >= 0 ? arguments[operand] : std::vector<PpToken>{next};
            if (right.empty()) {
                continue;
            }
            std::size_t first = 0;
            if (!placemarker && !result.empty()) {
                PpToken pasted;
                const std::string joined = result.back().text + right[0].text;
                if (!LexSingleToken(joined, pasted)) {
                    Fail(name, message::kBadPaste,
                         "pasting \"" + result.back().text + "\" and \"" + right[0].text +
                             "\" does not give a valid preprocessing token");
                    return false;
                }
                pasted.spaceBefore = result.back().spaceBefore;
                pasted.hidden = result.back().hidden;
                result.back() = std::move(pasted);
                first = 1;
            }
            result.insert(result.end(), right.begin() + static_cast<std::ptrdiff_t>(first), right.end());
            placemarker = false;
            continue;
        }
        if (parameter >= 0) {
            const bool pastedNext = i + 1 < body.size() && body[i + 1].Is("##");
            const std::vector<PpToken>* tokens = &arguments[parameter];
            if (!pastedNext) {
                if (!argumentExpanded[parameter]) {
                    std::deque<PpToken> input(arguments[parameter].begin(), arguments[parameter].end());
                    if (!Run(input, expandedArguments[parameter], nullptr, depth + 1)) {
                        return false;
                    }
                    argumentExpanded[parameter] = true;
                }
                tokens = &expandedArguments[parameter];
            }
            if (!tokens->empty()) {
                const std::size_t start = result.size();
                result.insert(result.end(), tokens->begin(), tokens->end());
                result[start].spaceBefore = part.spaceBefore;
            }
            placemarker = tokens->empty();
            continue;
        }
        result.push_back(part);
        placemarker = false;
    }
    for (PpToken& token : result) {
        token.hidden = HideSetUnion(token.hidden, hidden);
        token.line = name.line;
        token.column = name.column;
    }
    if (!result.empty()) {
        result.front().spaceBefore = name.spaceBefore;
    }
    return true;
}

bool MacroExpander::Spend(std::size_t tokens, const PpToken& where)
{
    spent_ += tokens;
    if (spent_ > kMaxExpandedTokens) {
        Fail(where, message::kExpansionLimit, "macro expansion too large");
        return false;
    }
    return true;
}

void MacroExpander::Fail(const PpToken& where, int code, const std::string& text)
{
    if (!failed_) {
        diagnostics_.Error({file_, where.line, where.column}, code, text);
    }
    failed_ = true;
}

}  // namespace platform::effects
