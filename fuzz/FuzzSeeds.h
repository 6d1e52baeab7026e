#pragma once
// The frame of every seed writer: "NAME_seeds FOLDER" writes the seed files into FOLDER.

#include "tarnwick/core/Exception.h"
#include "tarnwick/core/Logging.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <string>

namespace qz::fuzz {

inline void WriteSeed(const std::string& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

inline int RunSeedWriter(int argc, char** argv, const std::function<void(const std::string&)>& write)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    qz::core::Logger::Release();
    try {
        write(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

}  // namespace qz::fuzz
