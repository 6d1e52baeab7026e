#include "tarnwick/core/VariantEncapsulation.h"

#include "tarnwick/core/NumberText.h"


namespace qz::core {

namespace {

// The first blank-delimited word: leading blanks skipped, then every non-blank character.
std::string FirstWord(const std::string& text)
{
    std::string::size_type begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    std::string::size_type end = begin;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != '\0') ++end;
    return text.substr(begin, end - begin);
}

constexpr std::string::size_type BoolWordLength = 5;
constexpr std::string::size_type StringWordLimit = 1024;

}  // namespace

void VariantEncapsulation::ToString(std::string& text) const
{
    text.clear();
    if (!value_) return;
    VisitDataType(type_, [&](auto tag) {
        using T = typename decltype(tag)::Type;
        const T& value = *static_cast<const T*>(value_);
        if constexpr (std::is_same_v<T, bool>) {
            text = value ? "true" : "false";
        } else if constexpr (std::is_same_v<T, std::string>) {
            text = value;
        } else if constexpr (std::is_same_v<T, Serializable>) {
            text = value.ToString();
        } else {
            text = NumberToText(value);
        }
    });
}

void VariantEncapsulation::FromString(const std::string& text, int type) const
{
    if (!value_) return;
    VisitDataType(type, [&](auto tag) {
        using T = typename decltype(tag)::Type;
        T& value = *static_cast<T*>(value_);
        if constexpr (std::is_same_v<T, bool>) {
            value = FirstWord(text).substr(0, BoolWordLength) == "true";
        } else if constexpr (std::is_same_v<T, std::string>) {
            std::string word = FirstWord(text);
            value = word.size() >= StringWordLimit ? std::string() : std::move(word);
        } else if constexpr (std::is_same_v<T, Serializable>) {
            value.FromString(text);
        } else {
            ReadNumber(text.c_str(), value);
        }
    });
}

std::ostream& operator<<(std::ostream& stream, const VariantEncapsulation& variant)
{
    const void* pointer = variant.Pointer();
    if (!pointer) return stream;
    VisitDataType(variant.Type(), [&](auto tag) {
        using T = typename decltype(tag)::Type;
        const T& value = *static_cast<const T*>(pointer);
        if constexpr (std::is_same_v<T, bool>) {
            stream << (value ? "true" : "false");
        } else if constexpr (std::is_same_v<T, Serializable>) {
            stream << value.ToString();
        } else {
            // int8 and uint8 go out as characters, as the stream writes a byte.
            stream << value;
        }
    });
    return stream;
}

}  // namespace qz::core
