#include "platform/dxut/Utf8.h"

namespace platform::dxut {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool Encodable(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void Append(std::string& out, char32_t c)
{
    if (!Encodable(c)) {
        c = Replacement;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::string ToUtf8(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text) {
        Append(out, static_cast<char32_t>(*text));
    }
    return out;
}

std::u32string FromUtf8(const char* text)
{
    std::u32string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (bytes && *bytes) {
        const unsigned char lead = *bytes;
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        for (int i = 1; i < length; ++i) {
            if ((bytes[i] & 0xC0) != 0x80) {
                length = 0;  // a truncated sequence
                break;
            }
            c = (c << 6) | (bytes[i] & 0x3F);
        }
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (length == 0 || c < Smallest[length] || !Encodable(c)) {
            out.push_back(Replacement);
            ++bytes;
            continue;
        }
        out.push_back(c);
        bytes += length;
    }
    return out;
}

}  // namespace platform::dxut
