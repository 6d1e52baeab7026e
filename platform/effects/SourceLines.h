#pragma once
// Source text as logical lines: line breaks of any convention, backslash-newline joined,
// comments replaced by blanks (a block comment over several lines joins them, as the
// language asks), zero bytes read as blanks.

#include <string>
#include <string_view>

namespace platform::effects {

struct LogicalLine {
    std::string text;
    int firstLine = 1;       // physical line where it starts
    int physicalLines = 1;   // how many physical lines it took
};

class SourceLines {
public:
    explicit SourceLines(std::string_view source) : source_(source) {}

    // False at the end of the source.
    bool Next(LogicalLine& line);
    // Whether the next logical line starts (after blanks) with '(' : a function-like
    // macro name at the end of a line may take its arguments from there.
    bool NextStartsWithParenthesis() const;
    // True when the source ended inside a block comment.
    bool UnterminatedComment() const { return unterminatedComment_; }
    int CurrentLine() const { return line_; }

private:
    std::string_view source_;
    std::size_t position_ = 0;
    int line_ = 1;
    bool unterminatedComment_ = false;
};

}  // namespace platform::effects
