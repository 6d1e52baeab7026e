#pragma once
// The punctuators of HLSL and its preprocessor, longest first, shared by both lexers.

#include <cstddef>
#include <string_view>

namespace platform::effects {

// Length of the punctuator at i (2 or 3 for the long ones, 1 for one of singles, else 0).
// "#" and "##" count only when withHash is set.
inline std::size_t PunctuatorLength(std::string_view s, std::size_t i, bool withHash)
{
    static constexpr std::string_view kLong[] = {"<<=", ">>=", "...", "##", "->", "++", "--", "<<",
                                                 ">>",  "<=",  ">=",  "==", "!=", "&&", "||", "+=",
                                                 "-=",  "*=",  "/=",  "%=", "&=", "|=", "^=", "::"};
    static constexpr std::string_view kStarts = "<>.#-+=!&|*/%^:";
    if (kStarts.find(s[i]) != std::string_view::npos && i + 1 < s.size()) {
        for (std::string_view p : kLong) {
            if (p[0] == s[i] && p[1] == s[i + 1] && (p.size() == 2 || (i + 2 < s.size() && p[2] == s[i + 2]))) {
                if (p == "##" && !withHash) {
                    break;
                }
                return p.size();
            }
        }
    }
    const std::string_view singles = withHash ? "+-*/%<>=!&|^~?:;,.()[]{}#" : "+-*/%<>=!&|^~?:;,.()[]{}";
    return singles.find(s[i]) != std::string_view::npos ? 1 : 0;
}

}  // namespace platform::effects
