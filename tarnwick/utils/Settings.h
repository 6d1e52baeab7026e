#pragma once
// A named settings group: a variant collection bound to the fields of its owner's
// settings, saved as one XML element, overridable from the command line, listed in the
// command-line help and exposed on AntTweakBar bars through the GUI options at the end of
// each description ("Particle radius <!ATB min=0 max=5.0 step=0.01>").

#include "tarnwick/core/Variants.h"

#include <functional>
#include <ostream>
#include <string>

struct CTwBar;

namespace qz::utils {

class SettingsGroup : public qz::core::VariantCollection {
public:
    using RestoreCallback = std::function<void(SettingsGroup&)>;

    SettingsGroup(std::string name, std::string label) : name_(std::move(name)), label_(std::move(label)) {}
    ~SettingsGroup() override = default;

    const std::string& Name() const { return name_; }
    const std::string& Label() const { return label_; }
    // Called after a load that found the group's element and after command-line
    // overrides that changed something.
    void SetRestoreCallback(RestoreCallback callback) { restoreCallback_ = std::move(callback); }

    // The text before the first "<" or "!" and, with the tag "ATB" only, the options
    // between "<!ATB" and ">".
    static void SplitDescription(const std::string& description, std::string& text, std::string& options,
                                 const std::string& tag);

    // Appends an element named after the group holding the items.
    void SaveToXML(TiXmlNode* parent) const override;
    // Reads the first child element named after the group, then calls the restore callback.
    void LoadFromXML(const TiXmlElement* element) override;

    // One or two variables per item with a text and without flag bit 31, in insertion
    // order; nothing for a group without a label.
    void AddToAntTweakBar(CTwBar* bar, bool useGroup);

    // "--key", "--key=value", "--group:key", "--group:key=value", applied in order; a key
    // alone sets a bool.
    void ApplyCommandLine(int argc, const char* const* argv);

    // The argument list of the group for the command-line help.
    void PrintHelp(std::ostream& stream, bool onlyLabelled) const;

private:
    void AddItemToAntTweakBar(CTwBar* bar, bool useGroup, const qz::core::VariantCollectionItem& item);

    std::string name_;
    std::string label_;
    RestoreCallback restoreCallback_;
};

}  // namespace qz::utils
