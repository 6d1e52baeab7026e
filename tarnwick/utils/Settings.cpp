#include "tarnwick/utils/Settings.h"

#include "platform/tweakbar/AntTweakBar.h"
#include "tarnwick/core/ErrorReport.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>

namespace qz::utils {

using qz::core::DataType;
using qz::core::Serializable;
using qz::core::SimpleVec;
using qz::core::VariantCollectionItem;

namespace {

constexpr std::string::size_type TextLimit = 1023;
constexpr std::string::size_type TagLimit = 1023;
constexpr std::string::size_type OptionsLimit = 4095;

bool IsTextEnd(char c)
{
    return c == '<' || c == '!';
}

// End of the run of characters from position on for which belongs is true.
template <class Predicate>
std::string::size_type RunEnd(const std::string& text, std::string::size_type position, Predicate belongs)
{
    while (position < text.size() && belongs(text[position])) ++position;
    return position;
}

// The GUI options of a description, read as "%*[^<!]%[<!ATB]%[^>]>" reads them: some text,
// then a run of the tag's characters, then everything up to ">". Empty when a part is missing.
std::string AtbOptions(const std::string& description)
{
    const std::string::size_type textEnd = RunEnd(description, 0, [](char c) { return !IsTextEnd(c); });
    if (textEnd == 0) return {};
    const std::string::size_type tagEnd =
        std::min(RunEnd(description, textEnd, [](char c) { return std::strchr("<!ATB", c) != nullptr; }),
                 textEnd + TagLimit);
    if (tagEnd == textEnd) return {};
    const std::string::size_type optionsEnd =
        std::min(RunEnd(description, tagEnd, [](char c) { return c != '>'; }), tagEnd + OptionsLimit);
    return description.substr(tagEnd, optionsEnd - tagEnd);
}

[[noreturn]] void ThrowUnsupported(const char* message)
{
    QZ_THROW("qz::utils::SettingsGroup::AddToAntTweakBar", message);
}

void LogNoTweakBarForm(const std::string& key)
{
    auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
    message.SetType(qz::core::LogTypeWarning);
    message << "SettingsGroup::AddToAntTweakBar: no tweak-bar form for item " << key << "; left off the bar";
}

// The vector behind a class value of the given kind, or null when the object is another.
template <class T, int N>
SimpleVec<T, N>* VectorOf(Serializable& object)
{
    return dynamic_cast<SimpleVec<T, N>*>(&object);
}

TwType SimpleTweakBarType(DataType type)
{
    switch (type) {
    case qz::core::DataTypeInt8: return TW_TYPE_INT8;
    case qz::core::DataTypeInt16: return TW_TYPE_INT16;
    case qz::core::DataTypeInt32: return TW_TYPE_INT32;
    case qz::core::DataTypeUInt8: return TW_TYPE_UINT8;
    case qz::core::DataTypeUInt16: return TW_TYPE_UINT16;
    case qz::core::DataTypeUInt32: return TW_TYPE_UINT32;
    case qz::core::DataTypeFloat: return TW_TYPE_FLOAT;
    case qz::core::DataTypeDouble: return TW_TYPE_DOUBLE;
    default: return TW_TYPE_BOOLCPP;
    }
}

}  // namespace

void SettingsGroup::SplitDescription(const std::string& description, std::string& text, std::string& options,
                                     const std::string& tag)
{
    // The scanf conversions behind this stop at a zero byte.
    const std::string described = description.substr(0, description.find('\0'));
    const std::string::size_type textEnd = RunEnd(described, 0, [](char c) { return !IsTextEnd(c); });
    text = textEnd <= TextLimit ? described.substr(0, textEnd) : std::string();
    options = tag == "ATB" ? AtbOptions(described) : std::string();
}

void SettingsGroup::SaveToXML(TiXmlNode* parent) const
{
    if (!parent) return;
    TiXmlNode* element = parent->InsertEndChild(TiXmlElement(name_));
    if (element) VariantCollection::SaveToXML(element);
}

void SettingsGroup::LoadFromXML(const TiXmlElement* element)
{
    if (!element) return;
    const TiXmlElement* own = element->FirstChildElement(name_);
    if (!own) return;
    VariantCollection::LoadFromXML(own);
    if (restoreCallback_) restoreCallback_(*this);
}

void SettingsGroup::AddToAntTweakBar(CTwBar* bar, bool useGroup)
{
    if (label_.empty()) return;
    for (const VariantCollectionItem* item : InsertionOrder()) AddItemToAntTweakBar(bar, useGroup, *item);
    if (useGroup) TwSetParam(bar, name_.c_str(), "label", TW_PARAM_CSTRING, 1, label_.c_str());
}

void SettingsGroup::AddItemToAntTweakBar(CTwBar* bar, bool useGroup, const VariantCollectionItem& item)
{
    std::string text;
    std::string options;
    SplitDescription(item.description, text, options, "ATB");
    if ((item.flags & qz::core::VariantFlagHiddenFromGui) != 0 || text.empty()) return;

    std::string definition = " label='" + text + "'";
    if (useGroup) definition += " group = " + name_;
    definition += " " + options;
    const auto add = [&](TwType type, void* pointer, const std::string& suffix) {
        TwAddVarRW(bar, item.key.c_str(), type, pointer, (definition + suffix).c_str());
    };
    // A pair of values goes on as two variables, always in the group's own sub-group.
    const auto addPair = [&](TwType type, void* x, void* y) {
        const std::string pairDefinition = options + " label='" + text;
        TwAddVarRW(bar, (item.key + "_x").c_str(), type, x, (pairDefinition + " X' group=" + name_ + " ").c_str());
        TwAddVarRW(bar, (item.key + "_y").c_str(), type, y, (pairDefinition + " Y' group=" + name_ + " ").c_str());
    };

    void* pointer = item.value.Pointer();
    switch (item.value.Type()) {
    case qz::core::DataTypeInt64: ThrowUnsupported("Type int64 not supported by ATB");
    case qz::core::DataTypeUInt64: ThrowUnsupported("Type uint64 not supported by ATB");
    case qz::core::DataTypeString: ThrowUnsupported("String integration not implemented");
    case qz::core::DataTypeFloat:
    case qz::core::DataTypeDouble: add(SimpleTweakBarType(item.value.Type()), pointer, " step=0.01 "); return;
    case qz::core::DataTypeClass: break;
    default:
        if (item.value.Type() < 0 || item.value.Type() > qz::core::DataTypeClass) {
            LogNoTweakBarForm(item.key);
        } else {
            add(SimpleTweakBarType(item.value.Type()), pointer, "");
        }
        return;
    }

    Serializable& object = item.value.As<Serializable>();
    const std::uint32_t id = object.GetTypeID();
    if (id == qz::core::TypeNameHash("FloatVec4")) {
        auto* vector = VectorOf<float, 4>(object);
        const std::uint32_t form = item.flags & 12;
        if (!vector || form == 12) return LogNoTweakBarForm(item.key);
        if (form == 0) return add(TW_TYPE_COLOR4F, &vector->x, "");
        if (form == 4) return add(TW_TYPE_QUAT4F, &vector->x, "");
        return add(TW_TYPE_DIR3F, &vector->x, " axisz=-z ");
    }
    if (id == qz::core::TypeNameHash("FloatVec3")) {
        auto* vector = VectorOf<float, 3>(object);
        const std::uint32_t form = item.flags & 3;
        if (!vector || form > 1) return LogNoTweakBarForm(item.key);
        if (form == 0) return add(TW_TYPE_DIR3F, &vector->x, " axisz=-z ");
        return add(TW_TYPE_COLOR3F, &vector->x, "");
    }
    if (id == qz::core::TypeNameHash("FloatVec2")) {
        auto* vector = VectorOf<float, 2>(object);
        if (!vector) return LogNoTweakBarForm(item.key);
        return addPair(TW_TYPE_FLOAT, &vector->x, &vector->y);
    }
    if (id == qz::core::TypeNameHash("Int32Vec2")) {
        auto* vector = VectorOf<int, 2>(object);
        if (!vector) return LogNoTweakBarForm(item.key);
        return addPair(TW_TYPE_INT32, &vector->x, &vector->y);
    }
    auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelErrorReport);
    message.SetType(qz::core::LogTypeError);
    message << "Invalid class id for ATB: " << id;
}

void SettingsGroup::ApplyCommandLine(int argc, const char* const* argv)
{
    bool changed = false;
    for (int i = 0; i < argc && argv; ++i) {
        if (!argv[i]) continue;
        const std::string argument = argv[i];
        const std::string::size_type equals = argument.find('=');
        const std::string namePart = argument.substr(0, equals);
        if (namePart.compare(0, 2, "--") != 0) continue;
        std::string key = namePart.substr(2);
        const std::string::size_type colon = key.find(':');
        if (colon != std::string::npos) {
            if (key.compare(0, colon, name_) != 0) continue;
            key.erase(0, colon + 1);
        }
        const VariantCollectionItem* item = FindItem(key);
        if (!item) continue;
        const DataType type = item->value.Type();
        if (equals != std::string::npos) {
            if (type < 0 || type > qz::core::DataTypeClass) continue;
            item->value.FromString(argument.substr(equals + 1), type);
            changed = true;
        } else if (type == qz::core::DataTypeBool) {
            item->value.As<bool>() = true;
            changed = true;
        }
    }
    if (changed && restoreCallback_) restoreCallback_(*this);
}

void SettingsGroup::PrintHelp(std::ostream& stream, bool onlyLabelled) const
{
    if (onlyLabelled && label_.empty()) return;
    stream << "* Group '" << name_ << "'";
    if (!label_.empty()) stream << " (" << label_ << ")";
    stream << "\n\n";
    ForEachItem([&](const VariantCollectionItem& item) {
        if (onlyLabelled && item.description.empty()) return;
        stream << "--" << item.key << "=<" << qz::core::GetDataTypeName(item.value.Type()) << ">\n";
        if (item.description.empty()) return;
        std::string text;
        std::string options;
        SplitDescription(item.description, text, options, "");
        stream << "\t" << text << "\n";
    });
}

}  // namespace qz::utils
