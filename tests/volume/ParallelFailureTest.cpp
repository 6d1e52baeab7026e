#include "src/ParallelFailure.h"

#include <gtest/gtest.h>

#include <omp.h>
#include <stdexcept>
#include <string>

namespace {

TEST(ParallelFailure, AFailureInsideTheRegionReachesTheForkingThread)
{
    ParallelFailure failure;
    int completed = 0;
#pragma omp parallel for schedule(static) reduction(+ : completed)
    for (int i = 0; i < 64; ++i) {
        failure.Guard([&] {
            if (i % 16 == 5) throw std::runtime_error("block " + std::to_string(i));
            ++completed;
        });
    }
    EXPECT_TRUE(failure.Failed());
    EXPECT_EQ(60, completed);
    try {
        failure.RethrowIfFailed();
        FAIL() << "nothing thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(0, std::string(e.what()).find("block "));
    }
}

TEST(ParallelFailure, NothingToThrowWithoutFailure)
{
    ParallelFailure failure;
#pragma omp parallel
    failure.Guard([] {});
    EXPECT_FALSE(failure.Failed());
    EXPECT_NO_THROW(failure.RethrowIfFailed());
}

}  // namespace
