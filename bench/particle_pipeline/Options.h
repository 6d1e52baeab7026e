#pragma once
// "--key value" pairs after a command word; numbers may end in k, M or G (powers of ten).

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

class Options {
public:
    Options(int argc, char** argv, int first)
    {
        for (int i = first; i < argc; ++i) {
            const std::string key = argv[i];
            if (key.rfind("--", 0) != 0 || i + 1 >= argc) throw std::runtime_error("expected --key value at " + key);
            values_[key.substr(2)] = argv[++i];
        }
    }

    std::string Text(const std::string& key, const std::string& fallback) const
    {
        const auto found = values_.find(key);
        return found == values_.end() ? fallback : found->second;
    }

    std::string Required(const std::string& key) const
    {
        const auto found = values_.find(key);
        if (found == values_.end()) throw std::runtime_error("--" + key + " is missing");
        return found->second;
    }

    std::uint64_t Count(const std::string& key, std::uint64_t fallback) const
    {
        const auto found = values_.find(key);
        if (found == values_.end()) return fallback;
        std::size_t used = 0;
        const double value = std::stod(found->second, &used);
        const std::string suffix = found->second.substr(used);
        const double scale = suffix == "k" ? 1e3 : suffix == "M" ? 1e6 : suffix == "G" ? 1e9 : suffix.empty() ? 1 : -1;
        if (scale < 0 || value < 0) throw std::runtime_error("not a count: --" + key + " " + found->second);
        return static_cast<std::uint64_t>(value * scale + 0.5);
    }

    double Number(const std::string& key, double fallback) const
    {
        const auto found = values_.find(key);
        return found == values_.end() ? fallback : std::stod(found->second);
    }

private:
    std::map<std::string, std::string> values_;
};
