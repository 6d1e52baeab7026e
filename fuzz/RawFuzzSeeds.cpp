#include "fuzz/RawFuzzSeeds.h"

int main(int argc, char** argv)
{
    return qz::fuzz::WriteRawSeeds(argc, argv, false);
}
