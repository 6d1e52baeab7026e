#pragma once
// A typed reference to a value that someone else owns: the variant never allocates,
// copies or frees the value, and copies of a variant refer to the same storage.

#include "tarnwick/core/Exception.h"
#include "tarnwick/core/TypeUtils.h"

#include <functional>
#include <ostream>
#include <string>
#include <type_traits>

namespace qz::core {

// Reports "Incompatible datatypes" (or a variant bound to nothing) and throws.
[[noreturn]] void ThrowIncompatibleDatatypes();
[[noreturn]] void ThrowUnboundVariant();

class VariantEncapsulation {
public:
    VariantEncapsulation() = default;
    // For a class value (index 12) the pointer is the Serializable object itself.
    VariantEncapsulation(void* value, DataType type) : value_(value), type_(type) {}

    template <class T>
    static VariantEncapsulation Of(T& value)
    {
        if constexpr (std::is_base_of_v<Serializable, T>) {
            return VariantEncapsulation(static_cast<Serializable*>(&value), DataTypeClass);
        } else {
            return VariantEncapsulation(&value, DataTypeOfV<T>);
        }
    }

    void* Pointer() const { return value_; }
    DataType Type() const { return type_; }

    // The value as T, only when the index is exactly that of T: no widening, no
    // conversion. A class value is read as Serializable or as its own class.
    template <class T>
    T& As() const;

    // The text form: numbers as "%d", "%u", "%f" ..., bools "true"/"false", strings as
    // they are, class values by their own text form.
    void ToString(std::string& text) const;
    // Parses text into the storage as the given index; text that is no number or does not
    // fit leaves a number unchanged, and anything but the word "true" makes a bool false.
    void FromString(const std::string& text, int type) const;

private:
    void* value_ = nullptr;
    DataType type_ = DataTypeInt32;
};

// The stream form: bytes as characters, numbers as the stream formats them, class values
// by their text form, nothing for an undefined type.
std::ostream& operator<<(std::ostream& stream, const VariantEncapsulation& variant);

// Writes a value in a form of its own in place of the stream form.
using VariantPrinter = std::function<std::ostream&(std::ostream&, const VariantEncapsulation&)>;

template <class T>
T& VariantEncapsulation::As() const
{
    if (type_ != DataTypeOfV<T>) ThrowIncompatibleDatatypes();
    if (!value_) ThrowUnboundVariant();
    if constexpr (std::is_same_v<std::remove_cv_t<T>, Serializable>) {
        return *static_cast<Serializable*>(value_);
    } else if constexpr (std::is_base_of_v<Serializable, T>) {
        auto* object = dynamic_cast<T*>(static_cast<Serializable*>(value_));
        if (!object) ThrowIncompatibleDatatypes();
        return *object;
    } else {
        return *static_cast<T*>(value_);
    }
}

}  // namespace qz::core
