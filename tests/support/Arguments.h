#pragma once
// Command-line arguments as a program gets them, after the program's own name.

#include <string>
#include <vector>

namespace qz::test {

class Arguments {
public:
    explicit Arguments(std::vector<std::string> arguments) : strings_(std::move(arguments))
    {
        strings_.insert(strings_.begin(), "renderer");
        for (std::string& argument : strings_) {
            pointers_.push_back(argument.data());
        }
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    int Count() const { return static_cast<int>(pointers_.size()); }
    char** Values() { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

}  // namespace qz::test
