#pragma once
// Macro definitions and their expansion: object- and function-like macros with # and ##,
// rescanning with hide sets so that a macro never expands inside its own expansion.
// Expansion is bounded in work and nesting, so that a few lines cannot make the
// preprocessor run away.

#include "platform/effects/Diagnostics.h"
#include "platform/effects/PreprocessorTokens.h"

#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::effects {

struct Macro {
    int id = 0;
    bool functionLike = false;
    std::vector<std::string> parameters;
    std::vector<PpToken> body;

    bool SameDefinition(const Macro& other) const;
};

class MacroTable {
public:
    // The macro of that name, or null.
    const Macro* Find(const std::string& name) const;
    // False when a different definition was replaced.
    bool Define(const std::string& name, Macro macro);
    void Undefine(const std::string& name) { macros_.erase(name); }

private:
    std::unordered_map<std::string, Macro> macros_;
    std::unordered_map<std::string, int> ids_;
};

class MacroExpander {
public:
    // Appends the tokens of the next line when a function-like macro call goes on there:
    // its '(' (openingOnly: only when that line starts with one) or the rest of its
    // arguments. False when there is no such line.
    using MoreTokens = std::function<bool(std::deque<PpToken>&, bool openingOnly)>;

    MacroExpander(const MacroTable& macros, Diagnostics& diagnostics) : macros_(macros), diagnostics_(diagnostics) {}

    // Expands the tokens into output. False after an error (already reported). file names
    // the messages' location; expanded tells whether any macro was replaced.
    bool Expand(std::vector<PpToken> tokens, const std::string& file, std::vector<PpToken>& output,
                const MoreTokens& more, bool* expanded = nullptr);

private:
    bool Run(std::deque<PpToken>& input, std::vector<PpToken>& output, const MoreTokens* more, int depth);
    bool Substitute(const Macro& macro, const std::vector<std::vector<PpToken>>& arguments, const HideSet& hidden,
                    const PpToken& name, int depth, std::vector<PpToken>& result);
    bool Spend(std::size_t tokens, const PpToken& where);
    void Fail(const PpToken& where, int code, const std::string& text);

    const MacroTable& macros_;
    Diagnostics& diagnostics_;
    std::string file_;
    std::size_t spent_ = 0;
    bool expanded_ = false;
    bool failed_ = false;
};

}  // namespace platform::effects
