#pragma once
// Value classes that a variant can hold as a class value (data-type index 12): a type id
// derived from the class name, a binary form that starts with that id, and a text form.

#include <cstdint>
#include <string>

namespace qz::core {

// h = 5381; h = (h * 33) XOR c for every character, taken as a signed byte.
constexpr std::uint32_t TypeNameHash(const char* name)
{
    std::uint32_t hash = 5381;
    for (; *name; ++name) {
        hash = (hash * 33u) ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*name)));
    }
    return hash;
}

class Serializable {
public:
    virtual std::uint32_t GetTypeID() const = 0;
    virtual std::uint32_t GetSerializedSize() const = 0;
    virtual const char* GetTypeName() const = 0;
    // Both return the bytes written or read: GetSerializedSize.
    virtual std::uint32_t Serialize(void* destination) const = 0;
    // Reads the values behind the type id; the id itself is not looked at.
    virtual std::uint32_t Deserialize(const void* source) = 0;
    virtual std::string ToString() const = 0;
    // Returns the number of values read; the values after the first that cannot be read
    // keep their contents.
    virtual int FromString(const std::string& text) = 0;

protected:
    // Never deleted through this interface.
    Serializable() = default;
    Serializable(const Serializable&) = default;
    Serializable& operator=(const Serializable&) = default;
    ~Serializable() = default;
};

}  // namespace qz::core
