#include "platform/tweakbar/Definition.h"

#include <algorithm>

namespace platform::tweakbar {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsQuote(char c)
{
    return c == '\'' || c == '`' || c == '"';
}

}  // namespace

std::vector<Parameter> ParseDefinition(const std::string& definition)
{
    std::vector<Parameter> parameters;
    std::string::size_type at = 0;
    const auto skipBlanks = [&] {
        while (at < definition.size() && IsBlank(definition[at])) ++at;
    };
    while (true) {
        skipBlanks();
        if (at >= definition.size()) break;
        const std::string::size_type nameStart = at;
        while (at < definition.size() && !IsBlank(definition[at]) && definition[at] != '=') ++at;
        Parameter parameter {definition.substr(nameStart, at - nameStart), {}};
        skipBlanks();
        if (at < definition.size() && definition[at] == '=') {
            ++at;
            skipBlanks();
            if (at < definition.size() && IsQuote(definition[at])) {
                const char quote = definition[at++];
                const std::string::size_type close = definition.find(quote, at);
                const std::string::size_type end = close == std::string::npos ? definition.size() : close;
                parameter.second = definition.substr(at, end - at);
                at = close == std::string::npos ? end : close + 1;
            } else {
                const std::string::size_type valueStart = at;
                while (at < definition.size() && !IsBlank(definition[at])) ++at;
                parameter.second = definition.substr(valueStart, at - valueStart);
            }
        }
        // "=value" without a name is passed over.
        if (!parameter.first.empty()) parameters.push_back(std::move(parameter));
    }
    return parameters;
}

std::pair<std::string, std::string> SplitObjectName(const std::string& define)
{
    std::string::size_type at = 0;
    while (at < define.size() && IsBlank(define[at])) ++at;
    std::string::size_type start = at;
    std::string::size_type end = at;
    if (at < define.size() && IsQuote(define[at])) {
        const std::string::size_type close = define.find(define[at], at + 1);
        start = at + 1;
        end = close == std::string::npos ? define.size() : close;
        at = close == std::string::npos ? end : close + 1;
    } else {
        while (at < define.size() && !IsBlank(define[at])) ++at;
        end = at;
    }
    return {define.substr(start, end - start), define.substr(at)};
}

std::string FindParameter(const std::vector<Parameter>& parameters, const std::string& name)
{
    const auto found = std::find_if(parameters.rbegin(), parameters.rend(),
                                    [&](const Parameter& parameter) { return parameter.first == name; });
    return found == parameters.rend() ? std::string() : found->second;
}

bool HasParameter(const std::vector<Parameter>& parameters, const std::string& name)
{
    return std::any_of(parameters.begin(), parameters.end(),
                       [&](const Parameter& parameter) { return parameter.first == name; });
}

}  // namespace platform::tweakbar
