// A volume's timesteps saved to .ppv files and loaded back into a volume; saves that meet
// a full disk.

#include "src/ParticleVolume.h"
#include "tests/support/PpvSamples.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <filesystem>

namespace {

using namespace qz::test;
namespace fs = std::filesystem;
using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;
using ColorCount = ParticleTypes::ParticleAttributes_ColorCount;

// Gives timestep t the bricks as a splat would have left them.
template <class Attr>
void PlaceBricks(ParticleVolume<Attr>& volume, int t, const std::vector<PpvBrick>& bricks)
{
    for (const PpvBrick& stored : bricks) {
        Brick* brick = volume.GetBrick(t, stored.position, static_cast<int>(stored.level), true);
        brick->levels = {stored.words, std::vector<PpvWord>(256), std::vector<PpvWord>(32), std::vector<PpvWord>(4)};
        brick->attributeOffsets = stored.attributeOffsets;
        brick->attributeValues = stored.attributeValues;
        brick->totalParticleCount = stored.totalParticleCount;
        volume.GetTimestep(t)->leafBricks.push_back(brick);
    }
}

PpvReader LoadFile(const std::string& path)
{
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile(path);
    return reader;
}

// A volume of brick size 64, overlap 4 and 6 levels with the box given.
template <class Attr>
std::unique_ptr<ParticleVolume<Attr>> Volume(const std::array<float, 6>& box = {})
{
    auto volume = std::make_unique<ParticleVolume<Attr>>();
    volume->Prepare(64, 4, 6);
    std::copy(box.begin(), box.end(), volume->boundingBox);
    return volume;
}

template <class Attr>
class VolumeFiles : public ::testing::Test {
protected:
    static constexpr PpvKind Kind = std::is_same_v<Attr, VMag> ? PpvKind::VMag : std::is_same_v<Attr, ColorCount> ? PpvKind::ColorCount : PpvKind::None;
    CoutCapture console_;
};

using Kinds = ::testing::Types<None, VMag, ColorCount>;
TYPED_TEST_SUITE(VolumeFiles, Kinds);

TYPED_TEST(VolumeFiles, TimestepComesBackBrickForBrickWithTheFilesBox)
{
    std::vector<PpvBrick> bricks;
    for (std::uint32_t i = 0; i < 5; ++i) bricks.push_back(MakeBrick(64, 5, 3 * i, 31 - i, i, this->Kind, i));
    bricks.push_back(MakeBrick(64, 5, 30, 30, 30, this->Kind, 9, 0.0));
    auto saved = Volume<TypeParam>({0, 0, 0, 2, 1, 1});
    const int t = static_cast<int>(saved->CreateTimestep(true));
    PlaceBricks(*saved, t, bricks);
    const std::uint32_t unsplatted[3] = {1, 1, 1};
    saved->GetBrick(t, unsplatted, 5, true);  // not stored
    saved->SaveProcessedFile("kind_%04d.ppv", t);

    PpvReader reader = LoadFile("kind_0000.ppv");
    ASSERT_EQ(bricks.size(), reader.loadedBricks.size());
    auto loaded = Volume<TypeParam>();
    const int u = static_cast<int>(loaded->CreateTimestep(true));
    loaded->AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, u);
    EXPECT_TRUE(reader.loadedBricks.empty());
    const auto data = loaded->GetTimestep(u);
    EXPECT_TRUE(data->created);
    ASSERT_EQ(bricks.size(), data->leafBricks.size());
    for (const PpvBrick& expected : bricks) {
        const Brick* brick = loaded->GetBrick(u, expected.position, static_cast<int>(expected.level), false);
        ASSERT_NE(nullptr, brick);
        EXPECT_NE(data->leafBricks.end(), std::find(data->leafBricks.begin(), data->leafBricks.end(), brick));
        ASSERT_EQ(4u, brick->levels.size());
        EXPECT_EQ(expected.words, brick->levels[0]);
        EXPECT_TRUE(brick->levels[1].size() == 256 && brick->levels[2].size() == 32 && brick->levels[3] == std::vector<PpvWord>(4));
        EXPECT_TRUE(expected.attributeOffsets == brick->attributeOffsets && expected.attributeValues == brick->attributeValues);
        EXPECT_TRUE(brick->totalParticleCount == expected.totalParticleCount && brick->particleCount == 0);
        EXPECT_TRUE(brick->splatted && !brick->postProcessed);
    }
    loaded->SaveProcessedFile("again_%04d.ppv", u);
    EXPECT_TRUE(ReadFile("again_0000.ppv") == ReadFile("kind_0000.ppv")) << "saving the loaded timestep gives the same file";

    // The volume without a box took the file's: (0, 0, 0) -> (-1, -1, -0.5), (2, 1, 1) -> (1, 0, 0.5).
    const auto& m = loaded->worldToVolume.m;
    EXPECT_EQ(2.0f, loaded->boundingBox[3]);
    EXPECT_TRUE(m[3][0] == -1.0f && m[3][1] == -1.0f && m[3][2] == -0.5f);
    EXPECT_TRUE(2 * m[0][0] + m[3][0] == 1.0f && m[1][1] + m[3][1] == 0.0f && m[2][2] + m[3][2] == 0.5f);
    EXPECT_NE(std::string::npos, this->console_.Text().find("Lowing done, new bounding box: [0, 0, 0] - [2, 1, 1]"));
    auto boxed = Volume<TypeParam>({-1, -1, -1, 1, 1, 1});
    boxed->CreateTimestep(true);
    const auto before = boxed->worldToVolume;
    reader = LoadFile("kind_0000.ppv");
    boxed->AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 0);
    EXPECT_EQ(-1.0f, boxed->boundingBox[0]);
    EXPECT_EQ(0, std::memcmp(&before, &boxed->worldToVolume, sizeof before)) << "a volume with a box keeps it";
}

// A file of a timestep with one particle, or none, has a box without extent, or the empty
// box; a volume without a box takes either, and its transform stays finite.
TEST(VolumeFileBoxes, BoxesWithoutExtentAreTaken)
{
    CoutCapture console;
    const std::pair<std::array<float, 6>, const char*> cases[] = {
        {{2.5f, -1, 3, 2.5f, -1, 3}, "[2.5, -1, 3] - [2.5, -1, 3]"},
        {{FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX}, "[3.40282e+38, 3.40282e+38, 3.40282e+38] - [-3.40282e+38, -3.40282e+38, -3.40282e+38]"}};
    for (const auto& [box, text] : cases) {
        auto saved = Volume<None>(box);
        PlaceBricks(*saved, static_cast<int>(saved->CreateTimestep(true)), {MakeBrick(64, 5, 0, 0, 0, PpvKind::None, 1)});
        saved->SaveProcessedFile("point_%04d.ppv", 0);
        for (const std::array<float, 6>& volumeBox : {std::array<float, 6> {}, box}) {
            auto loaded = Volume<None>(volumeBox);
            loaded->CreateTimestep(true);
            PpvReader reader = LoadFile("point_0000.ppv");
            loaded->AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 0);
            EXPECT_TRUE(std::equal(box.begin(), box.end(), loaded->boundingBox)) << text;
            const auto& m = loaded->worldToVolume.m;
            EXPECT_TRUE(m[0][0] == 0 && m[3][0] == -1 && m[3][1] == -1 && m[3][2] == -1 && m[3][3] == 1) << text;
        }
        EXPECT_NE(std::string::npos, console.Text().find(std::string("Lowing done, new bounding box: ") + text)) << console.Text();
    }
}

TEST(VolumeFileFaults, EveryTimestepGetsItsFileAndLoadingChecksTheVolume)
{
    CoutCapture console;
    fs::remove_all("every");
    fs::create_directory("every");
    auto volume = Volume<None>();
    for (int t = 0; t < 3; ++t) {
        volume->CreateTimestep(true);
        PlaceBricks(*volume, t, {MakeBrick(64, 5, 1, 2, static_cast<std::uint32_t>(t), PpvKind::None, 1)});
    }
    volume->SaveProcessedFile("every/100%_%04d.ppv", -1);
    for (const char* name : {"every/100%_0000.ppv", "every/100%_0001.ppv", "every/100%_0002.ppv"}) {
        EXPECT_EQ(1u, LoadFile(name).loadedBricks.size()) << name;
    }
    volume->CreateTimestep(true);
    volume->SaveProcessedFile("every/empty_%04d.ppv", 3);
    EXPECT_EQ(56u, fs::file_size("every/empty_0003.ppv")) << "an empty timestep: the header alone";
    EXPECT_EQ(4, std::distance(fs::directory_iterator("every"), fs::directory_iterator()));
    for (const int bad : {4, -2}) {
        EXPECT_EQ("ParticleVolume<struct ParticleTypes::ParticleAttributes_None>::SaveProcessedFile|src\\ParticleVolume|Invalid "
                  "timestep " + std::to_string(bad) + ": the volume has 4 timesteps",
                  ReportOf([&] { volume->SaveProcessedFile("every/x_%04d.ppv", bad); }));
    }

    WritePpvFile("small.ppv", 32, {MakeBrick(32, 5, 1, 2, 3, PpvKind::VMag, 1)});
    PpvReader reader = LoadFile("small.ppv");
    auto vmag = Volume<VMag>();
    const std::string method = "ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::AddDataFromProcessedParticleFile|src\\ParticleVolume|";
    const auto add = [&](const ProcessedParticleVolumeFileHeader& header, int t) {
        return ReportOf([&] { vmag->AddDataFromProcessedParticleFile(header, reader.loadedBricks, t); });
    };
    EXPECT_EQ(method + "No timesteps have been added yet", add(reader.header, -1));
    const int t = static_cast<int>(vmag->CreateTimestep(true));
    PlaceBricks(*vmag, t, {MakeBrick(64, 5, 0, 0, 0, PpvKind::VMag, 2)});
    EXPECT_EQ(method + "No timestep is selected", add(reader.header, -5));
    EXPECT_EQ(method + "Invalid timestep 7: the volume has 1 timesteps", add(reader.header, 7));
    EXPECT_EQ(method + "Invalid brick size: File contains 32, volume is set to 64", add(reader.header, t));
    EXPECT_TRUE(vmag->GetTimestep(t)->leafBricks.empty()) << "a failed load leaves no leaf bricks";
    ProcessedParticleVolumeFileHeader header = reader.header;
    header.brickSize = 64;
    header.levels = 5;
    EXPECT_EQ(method + "Invalid level count: File contains 5, volume is set to 6", add(header, t));
    header.levels = 6;
    EXPECT_EQ(method + "Invalid element count", add(header, t)) << "bricks of another size than the header's";

    const PpvBrick stored = MakeBrick(64, 5, 4, 5, 6, PpvKind::VMag, 3);
    WritePpvFile("vmag.ppv", 64, {stored});
    reader = LoadFile("vmag.ppv");
    auto none = Volume<None>();
    none->CreateTimestep(true);
    none->AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 0);
    const Brick* brick = none->GetTimestep(0)->leafBricks.at(0);
    EXPECT_TRUE(stored.words == brick->levels[0] && brick->attributeOffsets.empty() && brick->attributeValues.empty())
        << "an attribute file in a None volume keeps the occupancy";
}

// A save that meets a full disk fails where it meets it, keeps the earlier file and
// leaves nothing beside it; the report is followed by a line with the system's reason.
TEST(VolumeFileFaults, FullDiskKeepsTheEarlierFile)
{
    CoutCapture console;
    std::vector<PpvBrick> bricks;  // dense bricks compress poorly: well over a mebibyte
    for (std::uint32_t i = 0; i < 20; ++i) bricks.push_back(MakeBrick(64, 5, i, 0, 0, PpvKind::VMag, i, 0.9));
    const std::string result = RunOnFullDisk("full", [&](FullDisk& disk) {
        LogCapture log;
        WritePpvFile("full/t.ppv", 8, {MakeBrick(8, 5, 1, 2, 3, PpvKind::VMag, 1, 0.5)});
        const std::string earlier = ReadFile("full/t.ppv");
        disk.Fill();
        const std::string error = ReportOf([&] { WritePpvFile("full/t.ppv", 64, bricks); });
        return std::string(ReadFile("full/t.ppv") == earlier ? "kept" : "lost") + "|" + FilesBeside("full/t.ppv") + "|" + error +
               "|" + log.Text();
    });
    EXPECT_EQ(0u, result.find("kept||")) << result;
    EXPECT_TRUE(result.find("writing failed|") != std::string::npos && LogsFullDisk(result, "full/t.ppv")) << result;
    EXPECT_LT(result.rfind("writing failed"), result.find("Could not write \"full/t.ppv\": ")) << "the report, then the reason";
    for (const rlim_t limit : {10, 56 + 20, 100000}) {  // the header, a brick record, a payload
        std::string error;
        {
            full_disk_detail::FileSizeLimit fileSize;
            fileSize.Limit(limit);
            error = ReportOf([&] { WritePpvFile("full/x.ppv", 64, bricks); });
        }
        EXPECT_TRUE(error.ends_with(limit == 10 ? "|File m_fileHeader writing failed" : limit < 1000 ? "|Brick header writing failed"
                                                                                                : "|Brick data writing failed"))
            << limit << error;
        EXPECT_FALSE(fs::exists("full/x.ppv"));
    }
}

}  // namespace
