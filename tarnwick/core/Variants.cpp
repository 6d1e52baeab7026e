// The variant collection and the failures of the variants, which report from here.
#include "tarnwick/core/Variants.h"

#include "tarnwick/core/ErrorReport.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sstream>

namespace qz::core {

void ThrowIncompatibleDatatypes()
{
    QZ_THROW("qz::core::VariantEncapsulation::As", "Incompatible datatypes");
}

void ThrowUnboundVariant()
{
    QZ_THROW("qz::core::VariantEncapsulation::As", "Variant is bound to no value");
}

VariantCollection::VariantCollection(const VariantCollection& other)
    : UnorderedCollection(other), items_(other.items_)
{
    RebuildOrder(other);
}

VariantCollection& VariantCollection::operator=(const VariantCollection& other)
{
    if (this != &other) {
        items_ = other.items_;
        RebuildOrder(other);
    }
    return *this;
}

void VariantCollection::RebuildOrder(const VariantCollection& other)
{
    order_.clear();
    order_.reserve(other.order_.size());
    for (const VariantCollectionItem* item : other.order_) order_.push_back(&items_.at(item->key));
}

VariantEncapsulation& VariantCollection::operator[](const std::string& key)
{
    const auto found = items_.find(key);
    if (found == items_.end()) {
        QZ_THROW("qz::core::UnorderedCollection<class std::basic_string<char,struct std::char_traits<char>,"
                 "class std::allocator<char> >,struct qz::core::VariantCollectionItem>::operator []",
                 "operator[] is only allowed for existing variants");
    }
    return found->second.value;
}

VariantCollectionItem& VariantCollection::AddItem(DataType type, const std::string& key, void* value,
                                                  const std::string& description, std::uint32_t flags,
                                                  VariantPrinter printer)
{
    const auto [place, added] = items_.try_emplace(key);
    VariantCollectionItem& item = place->second;
    item.value = VariantEncapsulation(value, type);
    item.flags = flags;
    item.key = key;
    item.description = description;
    item.printer = std::move(printer);
    if (added) order_.push_back(&item);
    return item;
}

void VariantCollection::RemoveItem(const void* value)
{
    // One and the same item leaves the order and the map, even when several items are
    // bound to that storage.
    const auto found = std::find_if(order_.begin(), order_.end(),
                                    [value](const VariantCollectionItem* item) { return item->value.Pointer() == value; });
    if (found == order_.end()) return;
    const std::string key = (*found)->key;
    order_.erase(found);
    items_.erase(key);
}

void VariantCollection::RemoveItem(const std::string& key)
{
    const auto found = items_.find(key);
    if (found == items_.end()) return;
    std::erase(order_, &found->second);
    items_.erase(found);
}

void VariantCollection::ForEachItem(const std::function<void(VariantCollectionItem&)>& visit)
{
    for (auto& entry : items_) visit(entry.second);
}

void VariantCollection::ForEachItem(const std::function<void(const VariantCollectionItem&)>& visit) const
{
    for (const auto& entry : items_) visit(entry.second);
}

const VariantCollectionItem* VariantCollection::FindItem(const std::string& key) const
{
    const auto found = items_.find(key);
    return found == items_.end() ? nullptr : &found->second;
}

std::ostream& VariantCollection::Print(std::ostream& stream, int excludeMask) const
{
    const auto mask = static_cast<std::uint32_t>(excludeMask);
    for (const VariantCollectionItem* item : order_) {
        if (mask != 0 && (item->flags & mask) == mask) continue;
        if (item->description.empty()) continue;
        stream << item->description << ": ";
        if (item->printer) {
            item->printer(stream, item->value);
        } else {
            std::string text;
            item->value.ToString(text);
            stream << text;
        }
        stream << "\n";
    }
    return stream;
}

// ---------------------------------------------------------------------------------------
// Binary key-value stream: per item in key order the key and a zero byte, the data-type
// index as four bytes, then the value (fixed-size bytes, string and zero, or the class's
// own binary form).

namespace {

std::size_t ValueSize(const VariantEncapsulation& value)
{
    switch (value.Type()) {
    case DataTypeString: return value.As<std::string>().size() + 1;
    case DataTypeClass: return value.As<Serializable>().GetSerializedSize();
    default: return static_cast<std::size_t>(GetDataTypeSize(value.Type()));
    }
}

void WriteValue(const VariantEncapsulation& value, unsigned char* out)
{
    switch (value.Type()) {
    case DataTypeString: {
        const std::string& text = value.As<std::string>();
        std::memcpy(out, text.c_str(), text.size() + 1);
        break;
    }
    case DataTypeClass: value.As<Serializable>().Serialize(out); break;
    default: std::memcpy(out, value.Pointer(), static_cast<std::size_t>(GetDataTypeSize(value.Type())));
    }
}

const char* const CannotRestoreRest = ". Cannot restore the rest of the collection.";

// Bounds of the buffer being read; every read checks them first.
class StreamReader {
public:
    StreamReader(const void* data, std::size_t size)
        : position_(static_cast<const unsigned char*>(data)), end_(position_ + size)
    {
    }

    bool AtEnd() const { return position_ >= end_; }
    std::size_t Left() const { return static_cast<std::size_t>(end_ - position_); }
    const unsigned char* Position() const { return position_; }
    void Skip(std::size_t count) { position_ += count; }

    // A zero-terminated text; false when the buffer ends before the zero.
    bool ReadText(std::string& text)
    {
        const void* zero = std::memchr(position_, 0, Left());
        const auto* stop = zero ? static_cast<const unsigned char*>(zero) : end_;
        text.assign(reinterpret_cast<const char*>(position_), static_cast<std::size_t>(stop - position_));
        if (!zero) return false;
        position_ = stop + 1;
        return true;
    }

    bool ReadUInt32(std::uint32_t& value)
    {
        if (Left() < sizeof(value)) return false;
        std::memcpy(&value, position_, sizeof(value));
        position_ += sizeof(value);
        return true;
    }

private:
    const unsigned char* position_;
    const unsigned char* end_;
};

[[noreturn]] void ThrowTruncated(const std::string& key)
{
    QZ_THROW("qz::core::VariantCollection::LoadFromBinaryKeyValue", "Binary stream ends inside the element \"", key, "\"",
             CannotRestoreRest);
}

// Reads the element's value into the item bound to it.
void ReadValue(StreamReader& reader, const std::string& key, const VariantEncapsulation& value)
{
    switch (value.Type()) {
    case DataTypeString: {
        std::string text;
        if (!reader.ReadText(text)) ThrowTruncated(key);
        value.As<std::string>() = std::move(text);
        return;
    }
    case DataTypeClass: {
        Serializable& object = value.As<Serializable>();
        std::uint32_t id = 0;
        if (reader.Left() < object.GetSerializedSize()) ThrowTruncated(key);
        std::memcpy(&id, reader.Position(), sizeof(id));
        if (id != object.GetTypeID()) {
            QZ_THROW("qz::core::VariantCollection::LoadFromBinaryKeyValue", "Binary stream element \"", key,
                     "\" holds the class type id ", id, " instead of ", object.GetTypeID(), CannotRestoreRest);
        }
        reader.Skip(object.Deserialize(reader.Position()));
        return;
    }
    case DataTypeBool: {
        if (reader.Left() < 1) ThrowTruncated(key);
        value.As<bool>() = *reader.Position() != 0;
        reader.Skip(1);
        return;
    }
    default: {
        const auto size = static_cast<std::size_t>(GetDataTypeSize(value.Type()));
        if (reader.Left() < size) ThrowTruncated(key);
        std::memcpy(value.Pointer(), reader.Position(), size);
        reader.Skip(size);
    }
    }
}

void SkipValue(StreamReader& reader, const std::string& key, std::uint32_t type)
{
    if (type == DataTypeString) {
        std::string text;
        if (!reader.ReadText(text)) ThrowTruncated(key);
        return;
    }
    std::size_t size = 0;
    try {
        size = static_cast<std::size_t>(GetDataTypeSize(static_cast<int>(type)));
    } catch (const Exception&) {
        QZ_THROW("qz::core::VariantCollection::LoadFromBinaryKeyValue",
                 "Binary stream contains an unknown element of unknown size: \"", key,
                 "\". Cannot restore the rest of the collecion.");
    }
    if (reader.Left() < size) ThrowTruncated(key);
    reader.Skip(size);
}

}  // namespace

void VariantCollection::SaveToBinaryKeyValue(void*& buffer, std::size_t& size) const
{
    std::size_t total = 0;
    for (const auto& [key, item] : items_) total += key.size() + 1 + sizeof(std::uint32_t) + ValueSize(item.value);

    auto* out = static_cast<unsigned char*>(::operator new(total));
    unsigned char* position = out;
    for (const auto& [key, item] : items_) {
        std::memcpy(position, key.c_str(), key.size() + 1);
        position += key.size() + 1;
        const auto type = static_cast<std::uint32_t>(item.value.Type());
        std::memcpy(position, &type, sizeof(type));
        position += sizeof(type);
        WriteValue(item.value, position);
        position += ValueSize(item.value);
    }
    buffer = out;
    size = total;
}

void VariantCollection::LoadFromBinaryKeyValue(const void* buffer, std::size_t size)
{
    if (!buffer) return;
    StreamReader reader(buffer, size);
    while (!reader.AtEnd()) {
        std::string key;
        std::uint32_t type = 0;
        if (!reader.ReadText(key) || !reader.ReadUInt32(type)) ThrowTruncated(key);
        const auto found = items_.find(key);
        const bool known = found != items_.end() && static_cast<std::uint32_t>(found->second.value.Type()) == type &&
                           type <= static_cast<std::uint32_t>(DataTypeClass);
        if (known) {
            ReadValue(reader, key, found->second.value);
        } else {
            SkipValue(reader, key, type);
        }
    }
}

}  // namespace qz::core
