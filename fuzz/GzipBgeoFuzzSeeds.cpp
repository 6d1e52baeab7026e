#include "fuzz/BgeoFuzzSeeds.h"

int main(int argc, char** argv)
{
    return qz::fuzz::WriteBgeoSeeds(argc, argv, true);
}
