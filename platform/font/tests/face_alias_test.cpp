#include "platform/font/face_alias.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct AliasCase {
    const char* face;
    const char* firstFamily;
};

class FaceAliasTest : public testing::TestWithParam<AliasCase> {};

TEST_P(FaceAliasTest, NamedFacesResolveToInstalledFamilies) {
    const AliasCase& c = GetParam();
    std::vector<std::string> candidates = FaceCandidates(c.face);
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(candidates.front(), c.firstFamily);
    FontFile file = ResolveFace(c.face);
    EXPECT_EQ(file.family, c.firstFamily);
    EXPECT_FALSE(file.path.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faces, FaceAliasTest,
    testing::Values(AliasCase{"宋体", "AR PL UMing CN"}, AliasCase{"楷体_GB2312", "AR PL UMing CN"},
                    AliasCase{"System", "AR PL UMing CN"}, AliasCase{"system", "AR PL UMing CN"},
                    AliasCase{"黑体", "WenQuanYi Zen Hei"}, AliasCase{"Arial", "DejaVu Sans"},
                    AliasCase{"TAHOMA", "DejaVu Sans"}, AliasCase{" 宋体 ", "AR PL UMing CN"},
                    AliasCase{"Courier New", "DejaVu Sans Mono"}, AliasCase{"", "AR PL UMing CN"}));

TEST(FaceAliasFallbackTest, UnknownFacesTryTheNameThenTheDefaultCjkFaces) {
    std::vector<std::string> candidates = FaceCandidates("No Such Face");
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0], "No Such Face");
    EXPECT_EQ(candidates[1], "AR PL UMing CN");
    EXPECT_EQ(candidates[2], "WenQuanYi Zen Hei");
    EXPECT_EQ(ResolveFace("No Such Face").family, "AR PL UMing CN");
}

TEST(FaceAliasFallbackTest, UnknownGbkNamesAreLookedUpInUtf8) {
    std::vector<std::string> candidates = FaceCandidates("华文行楷");
    EXPECT_EQ(candidates[0], reinterpret_cast<const char*>(u8"华文行楷"));
}

TEST(FaceAliasFallbackTest, FallbackFacesPutTheMingFaceFirst) {
    const std::vector<FontFile>& faces = FallbackFaces();
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].family, "AR PL UMing CN");
    EXPECT_EQ(faces[1].family, "WenQuanYi Zen Hei");
    EXPECT_NE(faces[0].path.find("uming"), std::string::npos);
}

TEST(FaceAliasFallbackTest, ResolutionIsCachedAndStable) {
    EXPECT_EQ(ResolveFace("Arial"), ResolveFace("Arial"));
    // Many distinct untrusted names do not grow the cache without bound.
    for (int i = 0; i < 300; ++i)
        ResolveFace("face" + std::to_string(i));
    EXPECT_EQ(ResolveFace("宋体").family, "AR PL UMing CN");
}

}  // namespace
}  // namespace platform
