#include "tarnwick/dev/Statistics.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace qz::dev;

std::string Text(bool includeAll)
{
    std::ostringstream stream;
    Statistics::AppendText(stream, includeAll);
    return stream.str();
}

// Each test sees only its own collections.
class StatisticsTest : public ::testing::Test {
protected:
    StatisticsTest() { Statistics::GetRegistry().clear(); }
    ~StatisticsTest() override { Statistics::GetRegistry().clear(); }
};

TEST_F(StatisticsTest, GetCollectionCreatesOnceAndKeepsTheCollection)
{
    Statistics::StatisticsCollection& first = Statistics::GetCollection("particlevolume");
    EXPECT_EQ("particlevolume", first.name);
    EXPECT_EQ("", first.label);
    first.label = "Particle Volume";
    int timestep = 3;
    first.AddTypedItem("timestep", &timestep, "Current timestep");
    Statistics::StatisticsCollection& second = Statistics::GetCollection("particlevolume");
    EXPECT_EQ(&first, &second);
    EXPECT_EQ("Particle Volume", second.label);
    EXPECT_EQ(1u, second.Size());
}

TEST_F(StatisticsTest, CollectionsNeverMove)
{
    Statistics::StatisticsCollection* first = &Statistics::GetCollection("first");
    for (int i = 0; i < 1000; ++i) Statistics::GetCollection("c" + std::to_string(i));
    EXPECT_EQ(first, &Statistics::GetCollection("first"));
    EXPECT_EQ("first", first->name);
}

TEST_F(StatisticsTest, EmptyRegistryWritesNothing)
{
    EXPECT_EQ("", Text(true));
    Statistics::GetCollection("empty");
    EXPECT_EQ("", Text(true)) << "a collection without items writes no title either";
}

TEST_F(StatisticsTest, OnScreenTextLeavesOutFlaggedItems)
{
    double average = 16.5;
    float last = 16.25f;
    Statistics::StatisticsCollection& rendering = Statistics::GetCollection("rendering");
    rendering.label = "Rendering";
    rendering.AddTypedItem("msperframe_avg", &average, "MS average (10 frames)", 1);
    rendering.AddTypedItem("msperframe", &last, "MS last frame", 1);
    EXPECT_EQ("", Text(false)) << "only flagged items: not even the title";
    EXPECT_EQ("*** Rendering ***\nMS average (10 frames): 16.500000\nMS last frame: 16.250000\n\n", Text(true));
}

TEST_F(StatisticsTest, TitleFallsBackToTheNameAndUndescribedItemsAreLeftOut)
{
    int timestep = -1;
    int hidden = 4;
    Statistics::StatisticsCollection& volume = Statistics::GetCollection("particlevolume");
    volume.AddTypedItem("timestep", &timestep, "Current timestep");
    volume.AddTypedItem("hidden", &hidden, "");
    EXPECT_EQ("*** particlevolume ***\nCurrent timestep: -1\n\n", Text(false));
    timestep = 7;
    EXPECT_EQ("*** particlevolume ***\nCurrent timestep: 7\n\n", Text(true)) << "items read the owner's variable";
}

TEST_F(StatisticsTest, CollectionsAreSeparatedByAnEmptyLine)
{
    int a = 1;
    int b = 2;
    Statistics::GetCollection("one").AddTypedItem("a", &a, "A");
    Statistics::GetCollection("two").AddTypedItem("b", &b, "B");
    const std::string text = Text(false);
    const std::string one = "*** one ***\nA: 1\n\n";
    const std::string two = "*** two ***\nB: 2\n\n";
    EXPECT_TRUE(text == one + two || text == two + one) << text;
}

}  // namespace
