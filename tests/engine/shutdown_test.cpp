// Shutdown: layout projects and image sets that something still holds when
// the game ends are reported, projects first, and then let go, before the
// device reports the textures never released.
#include "GameFolder.h"

#include "engine/GxCore.h"
#include "gamedata/GxUserConfig.h"
#include "graphics/GxGraphics.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcProjectFactory.h"
#include "tools/builders/ImageSetWriter.h"
#include "tools/builders/ProjectWriter.h"

namespace {

using proctest::GameFolderTest;
using proctest::ReadUtf16File;
namespace fs = std::filesystem;

TEST_F(GameFolderTest, ProjectsAndImageSetsStillHeldAreReportedInOrderThenLetGo) {
    // Warnings are logged, so that a set released twice or a texture left
    // behind would show.
    WriteGame("Held", "SAVE_TO_MYDOCUMENTS=0\n", "SkipSlightError=0\n");
    qtest::ImageSetSpec imageSet;
    imageSet.atlases.push_back({u"parts0.png", 8, 8, 1, 0, std::vector<uint32_t>(64, 0xFF00FF00u)});
    imageSet.origins.push_back({u"button.png", -1, 8, 8, 0, {qtest::WholePattern(0, 0, 0, 8, 8)}});
    ASSERT_TRUE(qtest::WriteImageSetFiles(game_, "ui/parts", imageSet, false));
    GxNcProject project;
    project.m_ProjectName = u"op";
    qtest::WriteProjectFile(game_ / "title" / "op.gnc", project, {u"parts"}, false);

    GxCore core;
    testing::internal::CaptureStderr();
    const bool started = core.Initialize();
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(started) << said;
    // One set held by a scene, and again by the project that names it.
    GxString setName = u"UI/Parts";
    ASSERT_NE(GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(setName, true), nullptr);
    ASSERT_NE(GxNcProjectFactory::GetInstance().Get(u"Title/OP", u"ui", true), nullptr);
    core.Finalize();

    const std::string log = ReadUtf16File(game_ / "Save_Held" / "error.log");
    const size_t projectLine = log.find("Warning/GxNcProjectFactory Object Not Released(title/op)");
    const size_t setLine = log.find("Warning/GxNcCrammedImageSetFactory Object Not Released(ui/parts)");
    ASSERT_NE(projectLine, std::string::npos) << log;
    ASSERT_NE(setLine, std::string::npos) << log;
    EXPECT_LT(projectLine, setLine) << log;
    EXPECT_EQ(log.find("You tried to release"), std::string::npos) << "the project gave its set back first\n" << log;
    EXPECT_EQ(log.find("GxTextureFactory is not Released"), std::string::npos) << "the atlas went back before\n"
                                                                                << log;
    EXPECT_EQ(GxNcProjectFactory::GetInstance().Find(u"title/op"), nullptr);
    EXPECT_EQ(GxNcCrammedImageSetFactory::GetInstance().Find(setName), nullptr);
}

// A started core that goes without Finalize (a test that stops early, an
// exception out of the loop) ends as a finalised one does: the settings are
// written, the device and the holders are let go.
TEST_F(GameFolderTest, ACoreThatGoesUnfinalisedIsShutDownTheOneWay) {
    WriteGame("Unended", "SAVE_TO_MYDOCUMENTS=0\n");
    const fs::path settings = game_ / "Save_Unended" / "userconf.dat";
    {
        GxCore core;
        testing::internal::CaptureStderr();
        const bool started = core.Initialize();
        const std::string said = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started) << said;
        std::filesystem::remove(settings);
        ASSERT_NE(GxGraphics::GetDevice(), nullptr);
    }
    EXPECT_TRUE(std::filesystem::exists(settings)) << "the settings were not written";
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_EQ(GxUserConfig::Get(), nullptr);
}

} // namespace
