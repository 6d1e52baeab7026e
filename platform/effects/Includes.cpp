#include "platform/effects/Includes.h"

#include "platform/win/RegularFile.h"

#include <cstdio>
#include <memory>

namespace platform::effects {
namespace {

// Files larger than this are not effect sources.
constexpr long long kMaxFileBytes = 64LL << 20;

std::string Folder(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content)
{
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    // Only a regular file: opening a FIFO would wait for a writer, a device never ends.
    std::string failure;
    std::unique_ptr<std::FILE, Closer> file(platform::win::OpenRegularFile(path, failure));
    if (!file) {
        return false;
    }
    content.clear();
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (static_cast<long long>(content.size() + got) > kMaxFileBytes) {
            return false;
        }
        content.append(buffer, got);
    }
    return std::ferror(file.get()) == 0;
}

bool FileIncludeSource::Open(bool, const std::string& name, const IncludedFile& parent, IncludedFile& file)
{
    const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\');
    file.name = absolute ? name : Folder(parent.name) + name;
    std::string content;
    if (!ReadWholeFile(file.name, content)) {
        return false;
    }
    open_.push_back(std::move(content));
    file.content = open_.back();
    file.data = open_.back().data();
    return true;
}

void FileIncludeSource::Close(const IncludedFile& file)
{
    // Files close in the reverse order of opening.
    if (!open_.empty() && open_.back().data() == file.data) {
        open_.pop_back();
    }
}

bool CallerIncludeSource::Open(bool system, const std::string& name, const IncludedFile& parent, IncludedFile& file)
{
    const void* data = nullptr;
    UINT bytes = 0;
    if (FAILED(include_->Open(system ? D3D_INCLUDE_SYSTEM : D3D_INCLUDE_LOCAL, name.c_str(), parent.data, &data,
                              &bytes)) ||
        (!data && bytes > 0)) {
        return false;
    }
    file.name = name;
    file.content = std::string_view(static_cast<const char*>(data), data ? bytes : 0);
    file.data = data;
    return true;
}

void CallerIncludeSource::Close(const IncludedFile& file) { include_->Close(file.data); }

}  // namespace platform::effects
