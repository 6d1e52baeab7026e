#pragma once
// Collections of named, typed values bound to variables that other objects own, with an
// XML form (one element per item) and a binary key-value stream. Settings groups and
// statistics collections derive from the collection.

#include "tarnwick/core/MebibytePrinter.h"
#include "tarnwick/core/SerializableVectors.h"
#include "tarnwick/core/SimpleVec4.h"
#include "tarnwick/core/TypeUtils.h"
#include "tarnwick/core/VariantEncapsulation.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

class TiXmlNode;
class TiXmlElement;

namespace qz::core {

enum VariantItemFlags : std::uint32_t {
    // A FloatVec3 shown as a colour; statistics left out of short listings.
    VariantFlagColor = 0x1,
    VariantFlagShortListingHidden = 0x1,
    VariantFlagHiddenFromGui = 0x80000000u,
};

struct VariantCollectionItem {
    VariantEncapsulation value;
    std::uint32_t flags = 0;
    std::string key;
    // Text, optionally followed by GUI options in a part "<!ATB ... >".
    std::string description;
    VariantPrinter printer;
};

template <class Key, class Item>
class UnorderedCollection {
public:
    using Value = decltype(Item::value);
    // Existing items only.
    virtual Value& operator[](const Key& key) = 0;
    virtual ~UnorderedCollection() = default;
};

class VariantCollection : public UnorderedCollection<std::string, VariantCollectionItem> {
public:
    VariantCollection() = default;
    // The copy's items are bound to the same storage; its order refers to its own items.
    VariantCollection(const VariantCollection& other);
    VariantCollection& operator=(const VariantCollection& other);

    VariantEncapsulation& operator[](const std::string& key) override;
    ~VariantCollection() override = default;

    // A new key is appended to the insertion order; an existing key's item is replaced
    // in place and keeps its place.
    virtual VariantCollectionItem& AddItem(DataType type, const std::string& key, void* value,
                                           const std::string& description, std::uint32_t flags,
                                           VariantPrinter printer);
    // Removes the first item, in insertion order, bound to that storage.
    virtual void RemoveItem(const void* value);
    virtual void RemoveItem(const std::string& key);
    void RemoveItem(const char* key) { RemoveItem(std::string(key)); }

    // Appends one element per item, in key order, to the parent.
    virtual void SaveToXML(TiXmlNode* parent) const;
    // Reads the child elements named like items into the items' storage.
    virtual void LoadFromXML(const TiXmlElement* element);
    // One buffer from the global allocation function; the caller frees it with
    // ::operator delete.
    virtual void SaveToBinaryKeyValue(void*& buffer, std::size_t& size) const;
    // Throws on an element it cannot read; the elements before it stay applied.
    virtual void LoadFromBinaryKeyValue(const void* buffer, std::size_t size);

    template <class T>
    VariantCollectionItem& AddTypedItem(const std::string& key, T* value, const std::string& description = {},
                                        std::uint32_t flags = 0, VariantPrinter printer = {})
    {
        const VariantEncapsulation bound = VariantEncapsulation::Of(*value);
        return AddItem(bound.Type(), key, bound.Pointer(), description, flags, std::move(printer));
    }

    // In key order.
    void ForEachItem(const std::function<void(VariantCollectionItem&)>& visit);
    void ForEachItem(const std::function<void(const VariantCollectionItem&)>& visit) const;

    // In insertion order, items with a description: "description: value\n". A non-zero
    // mask leaves out the items whose flags hold all of its bits.
    std::ostream& Print(std::ostream& stream, int excludeMask) const;

    std::size_t Size() const { return items_.size(); }
    const VariantCollectionItem* FindItem(const std::string& key) const;
    // The items in the order in which their keys were first added.
    const std::vector<VariantCollectionItem*>& InsertionOrder() const { return order_; }

private:
    void RebuildOrder(const VariantCollection& other);

    std::map<std::string, VariantCollectionItem> items_;
    std::vector<VariantCollectionItem*> order_;
};

}  // namespace qz::core
