// The XML form of a variant collection: one empty element per item, named by the key,
// with the attributes "typeid" (the stable id, or a class's own type id) and "value".
#include "tarnwick/core/Variants.h"

#include "tarnwick/core/Logging.h"
#include "tarnwick/core/NumberText.h"

#include <tinyxml.h>

namespace qz::core {

namespace {

std::int32_t XmlTypeID(const VariantEncapsulation& value)
{
    if (value.Type() == DataTypeClass) return static_cast<std::int32_t>(value.As<Serializable>().GetTypeID());
    return GetDataTypeID(value.Type());
}

}  // namespace

void VariantCollection::SaveToXML(TiXmlNode* parent) const
{
    if (!parent) return;
    for (const auto& [key, item] : items_) {
        TiXmlElement element(key);
        element.SetAttribute("typeid", XmlTypeID(item.value));
        std::string text;
        item.value.ToString(text);
        element.SetAttribute("value", text);
        parent->InsertEndChild(element);
    }
}

void VariantCollection::LoadFromXML(const TiXmlElement* element)
{
    if (!element) return;
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const auto found = items_.find(child->ValueStr());
        if (found == items_.end()) continue;
        const VariantCollectionItem& item = found->second;
        if (const char* declared = child->Attribute("typeid")) {
            std::int32_t id = 0;
            if (ReadNumber(declared, id) == 0 || id != XmlTypeID(item.value)) {
                auto message = Logger::BeginMessage(LogLevelImportant);
                message.SetType(LogTypeWarning);
                message << "VariantCollection::LoadFromXML: Type of variant " << item.key
                        << " does not match the type declared in XML; ignoring";
                continue;
            }
        }
        // An element without a value leaves its item as it is.
        const char* value = child->Attribute("value");
        if (!value || item.value.Type() > DataTypeClass) continue;
        item.value.FromString(value, item.value.Type());
    }
}

}  // namespace qz::core
