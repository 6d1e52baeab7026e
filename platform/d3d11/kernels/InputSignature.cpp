#include "platform/d3d11/kernels/InputSignature.h"

#include <cstring>
#include <strings.h>

namespace d3d11sw {
namespace {

constexpr char kMagic[4] = {'I', 'S', 'G', '1'};
constexpr std::size_t kMaxNameLength = 256;

void PutWord(std::vector<std::byte>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::byte>((value >> shift) & 0xFF));
    }
}

class Reader {
public:
    Reader(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), left_(size) {}

    bool Word(std::uint32_t& value)
    {
        if (left_ < 4) {
            return false;
        }
        value = data_[0] | (data_[1] << 8) | (data_[2] << 16) | (std::uint32_t{data_[3]} << 24);
        Skip(4);
        return true;
    }
    bool Bytes(void* to, std::size_t count)
    {
        if (left_ < count) {
            return false;
        }
        std::memcpy(to, data_, count);
        Skip(count);
        return true;
    }
    bool AtEnd() const { return left_ == 0; }

private:
    void Skip(std::size_t count)
    {
        data_ += count;
        left_ -= count;
    }

    const unsigned char* data_;
    std::size_t left_;
};

}  // namespace

std::vector<std::byte> EncodeInputSignature(const std::vector<SignatureElement>& elements)
{
    std::vector<std::byte> out;
    for (char c : kMagic) {
        out.push_back(static_cast<std::byte>(c));
    }
    PutWord(out, static_cast<std::uint32_t>(elements.size()));
    for (const SignatureElement& element : elements) {
        PutWord(out, element.semanticIndex);
        PutWord(out, static_cast<std::uint32_t>(element.type));
        PutWord(out, element.componentCount);
        PutWord(out, static_cast<std::uint32_t>(element.semanticName.size()));
        for (char c : element.semanticName) {
            out.push_back(static_cast<std::byte>(c));
        }
    }
    return out;
}

bool DecodeInputSignature(const void* data, std::size_t size, std::vector<SignatureElement>& elements)
{
    elements.clear();
    if (!data) {
        return false;
    }
    Reader reader(data, size);
    char magic[4];
    std::uint32_t count = 0;
    if (!reader.Bytes(magic, 4) || std::memcmp(magic, kMagic, 4) != 0 || !reader.Word(count)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        SignatureElement element;
        std::uint32_t type = 0;
        std::uint32_t nameLength = 0;
        if (!reader.Word(element.semanticIndex) || !reader.Word(type) || !reader.Word(element.componentCount) ||
            !reader.Word(nameLength) || type > 2 || element.componentCount < 1 || element.componentCount > 4 ||
            nameLength == 0 || nameLength > kMaxNameLength) {
            elements.clear();
            return false;
        }
        element.type = static_cast<ComponentType>(type);
        element.semanticName.resize(nameLength);
        if (!reader.Bytes(element.semanticName.data(), nameLength)) {
            elements.clear();
            return false;
        }
        elements.push_back(std::move(element));
    }
    if (!reader.AtEnd()) {
        elements.clear();
        return false;
    }
    return true;
}

bool SameSemantic(const std::string& a, const char* b)
{
    return b && strcasecmp(a.c_str(), b) == 0;
}

}  // namespace d3d11sw
