#include "platform/effects/Diagnostics.h"

#include <cstdio>

namespace platform::effects {

void Diagnostics::Error(const SourceLocation& where, int code, const std::string& text)
{
    ++errors_;
    Add(where, "error", code, text);
}

void Diagnostics::Warning(const SourceLocation& where, int code, const std::string& text)
{
    Add(where, "warning", code, text);
}

void Diagnostics::Add(const SourceLocation& where, const char* kind, int code, const std::string& text)
{
    char head[64];
    std::snprintf(head, sizeof head, "(%d,%d): %s X%04d: ", where.line, where.column, kind, code);
    text_ += where.file;
    text_ += head;
    text_ += text;
    text_ += '\n';
}

}  // namespace platform::effects
