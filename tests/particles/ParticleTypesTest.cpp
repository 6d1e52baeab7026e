#include "src/ParticleTypeNames.h"
#include "src/ParticleTypes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <type_traits>

namespace {

using namespace ParticleTypes;

TEST(ParticleTypes, RecordFieldsSitWhereTheFileHasThem)
{
    EXPECT_EQ(12u, offsetof(RawParticle_PosVel, vx));
    EXPECT_EQ(20u, offsetof(RawParticle_PosVel, vz));
    EXPECT_EQ(12u, offsetof(RawParticle_PosCol, red));
    EXPECT_EQ(13u, offsetof(RawParticle_PosCol, green));
    EXPECT_EQ(14u, offsetof(RawParticle_PosCol, blue));
    EXPECT_EQ(12u, offsetof(RawParticle_PosRad, radius));
    EXPECT_EQ(12u, offsetof(RawParticle_PosNormal, nx));
    EXPECT_TRUE(std::is_trivially_copyable_v<RawParticle_PosCol>);
    EXPECT_TRUE(std::is_empty_v<ParticleAttributes_None>);
    EXPECT_EQ(16u, sizeof(VolumeParticle<ParticleAttributes_VMag>));
    EXPECT_EQ(12u, offsetof(VolumeParticle<ParticleAttributes_ColorCount>, attributes));
}

TEST(ParticleTypes, TypeIndexTable)
{
    EXPECT_EQ(5, ParticleTypeCount);
    EXPECT_STREQ("Position / Velocity", ParticleTypeLabels[1]);
    EXPECT_STREQ("Position / Radius (discard radius)", ParticleTypeLabels[3]);
    EXPECT_STREQ("Position / Normal (discard normal)", ParticleTypeLabels[4]);
    // Index 3 is the radius type (16 bytes), index 4 the normal type (24 bytes).
    EXPECT_EQ(16u, sizeof(ParticleTypeAt<3>::Record));
    EXPECT_EQ(24u, sizeof(ParticleTypeAt<4>::Record));
    EXPECT_TRUE((std::is_same_v<ParticleTypeAt<1>::Attributes, ParticleAttributes_VMag>));
    EXPECT_TRUE((std::is_same_v<ParticleTypeAt<2>::Attributes, ParticleAttributes_ColorCount>));
    EXPECT_TRUE((std::is_same_v<ParticleTypeAt<3>::Attributes, ParticleAttributes_None>));
    EXPECT_TRUE((std::is_same_v<ParticleTypeAt<4>::Attributes, ParticleAttributes_None>));
}

TEST(ParticleTypes, MethodNamesOfErrorReports)
{
    EXPECT_EQ("PartioAttributeReader<struct ParticleTypes::RawParticle_PosNormal>::operator ()",
              TemplateMethodName<RawParticle_PosNormal>("PartioAttributeReader", "operator ()"));
    EXPECT_EQ("ParticleVolume<struct ParticleTypes::ParticleAttributes_ColorCount>::AddDataFromRawParticleFile",
              TemplateMethodName<ParticleAttributes_ColorCount>("ParticleVolume", "AddDataFromRawParticleFile"));
    // Arguments ending in '>' are followed by a blank.
    EXPECT_EQ("ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> >::ProcessedParticleVolumeWriter",
              TemplateMethodName("ProcessedParticleVolumeWriter", "class qz::core::SimpleVec4<unsigned int>",
                                 "ProcessedParticleVolumeWriter"));
}

}  // namespace
