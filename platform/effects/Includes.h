#pragma once
// Where #include finds its files: the standard handler reads them from disk relative to
// the including file; a caller's ID3DInclude is asked otherwise.

#include "platform/effects/D3DCompiler.h"

#include <deque>
#include <string>
#include <string_view>

namespace platform::effects {

struct IncludedFile {
    std::string name;          // as messages and nested includes see it
    std::string_view content;  // valid until Close
    const void* data = nullptr;
};

class IncludeSource {
public:
    virtual ~IncludeSource() = default;
    // False when the file cannot be opened.
    virtual bool Open(bool system, const std::string& name, const IncludedFile& parent, IncludedFile& file) = 0;
    virtual void Close(const IncludedFile& file) = 0;
};

class FileIncludeSource final : public IncludeSource {
public:
    bool Open(bool system, const std::string& name, const IncludedFile& parent, IncludedFile& file) override;
    void Close(const IncludedFile& file) override;

private:
    std::deque<std::string> open_;
};

class CallerIncludeSource final : public IncludeSource {
public:
    explicit CallerIncludeSource(ID3DInclude* include) : include_(include) {}
    bool Open(bool system, const std::string& name, const IncludedFile& parent, IncludedFile& file) override;
    void Close(const IncludedFile& file) override;

private:
    ID3DInclude* include_;
};

// The whole file, binary; false when it cannot be read or is no regular file.
bool ReadWholeFile(const std::string& path, std::string& content);

}  // namespace platform::effects
