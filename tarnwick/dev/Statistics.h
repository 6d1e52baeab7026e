#pragma once
// The process-wide registry of statistics collections: components publish their
// measurements as items bound to their own variables, so every reader sees current values.

#include "tarnwick/core/Variants.h"

#include <ostream>
#include <string>
#include <unordered_map>

namespace qz::dev::Statistics {

class StatisticsCollection : public qz::core::VariantCollection {
public:
    StatisticsCollection() = default;
    StatisticsCollection(const StatisticsCollection&) = default;
    ~StatisticsCollection() override = default;

    // Display title; the name stands in for an empty label.
    std::string label;
    // The registry key.
    std::string name;
};

// Entries never move: a collection's address stays valid until the program ends.
using Registry = std::unordered_map<std::string, StatisticsCollection>;

Registry& GetRegistry();
// The collection of that name, created empty on first use.
StatisticsCollection& GetCollection(const std::string& name);
// Every collection with something to show: "*** title ***", its items, an empty line.
// Without includeAll the items with flag bit 0 are left out.
void AppendText(std::ostream& stream, bool includeAll);

}  // namespace qz::dev::Statistics
