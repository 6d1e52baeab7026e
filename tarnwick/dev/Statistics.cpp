#include "tarnwick/dev/Statistics.h"

#include <sstream>

namespace qz::dev::Statistics {

Registry& GetRegistry()
{
    static Registry registry;
    return registry;
}

StatisticsCollection& GetCollection(const std::string& name)
{
    const auto [entry, added] = GetRegistry().try_emplace(name);
    if (added) entry->second.name = name;
    return entry->second;
}

void AppendText(std::ostream& stream, bool includeAll)
{
    for (const auto& [name, collection] : GetRegistry()) {
        std::ostringstream items;
        collection.Print(items, includeAll ? 0 : 1);
        if (items.str().empty()) continue;
        stream << "*** " << (collection.label.empty() ? collection.name : collection.label) << " ***" << "\n"
               << items.str() << "\n";
    }
}

}  // namespace qz::dev::Statistics
