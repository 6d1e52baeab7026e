#pragma once
// One flat-or-nested JSON object, written in the order its members were added.

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

class JsonObject {
public:
    JsonObject& Add(const std::string& key, const std::string& text) { return AddRaw(key, Quote(text)); }
    JsonObject& Add(const std::string& key, const char* text) { return AddRaw(key, Quote(text)); }
    JsonObject& Add(const std::string& key, bool value) { return AddRaw(key, value ? "true" : "false"); }
    JsonObject& Add(const std::string& key, std::int64_t value) { return AddRaw(key, std::to_string(value)); }
    JsonObject& Add(const std::string& key, std::uint64_t value) { return AddRaw(key, std::to_string(value)); }
    JsonObject& Add(const std::string& key, int value) { return AddRaw(key, std::to_string(value)); }
    JsonObject& Add(const std::string& key, unsigned value) { return AddRaw(key, std::to_string(value)); }
    JsonObject& Add(const std::string& key, double value)
    {
        if (!std::isfinite(value)) return AddRaw(key, "null");
        std::ostringstream text;
        text.precision(6);
        text << value;
        return AddRaw(key, text.str());
    }
    JsonObject& Add(const std::string& key, const JsonObject& object) { return AddRaw(key, object.Text()); }
    JsonObject& Add(const std::string& key, const std::vector<JsonObject>& objects)
    {
        std::string text = "[";
        for (std::size_t i = 0; i < objects.size(); ++i) text += (i ? ", " : "") + objects[i].Text();
        return AddRaw(key, text + "]");
    }

    std::string Text() const
    {
        std::string text = "{";
        for (std::size_t i = 0; i < members_.size(); ++i) {
            if (i) text += ", ";
            text += Quote(members_[i].first) + ": " + members_[i].second;
        }
        return text + "}";
    }

private:
    JsonObject& AddRaw(const std::string& key, std::string json)
    {
        members_.emplace_back(key, std::move(json));
        return *this;
    }

    static std::string Quote(const std::string& text)
    {
        std::string quoted = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                quoted += '\\';
                quoted += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
        return quoted + "\"";
    }

    std::vector<std::pair<std::string, std::string>> members_;
};
