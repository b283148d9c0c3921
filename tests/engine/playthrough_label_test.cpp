// A scripted run that starts the story at a label of the developer's choice
// from the title, as the debug scene's jump does: a label the script lacks is
// said and changes nothing, the next one starts the main scene there, with
// the screen faded in.
#include "GameFolder.h"
#include "ProgramRun.h"

#include "platform/image/image.h"
#include "support/SampleGameCopy.h"

namespace {

namespace fs = std::filesystem;

TEST(PlaythroughLabel, StartsTheStoryAtTheLabelFromTheTitle) {
    qtest::TempDir temp;
    const fs::path game = temp.path() / "game", out = temp.path() / "out";
    std::string failure;
    ASSERT_TRUE(qtest::CopyQuietSampleGame(game, &failure)) << failure;
    fs::create_directories(out);
    fs::create_directories(temp.path() / "home");
    fs::create_directories(temp.path() / "run");
    // JOIN follows the choice; MAIN, where "New Game" starts, comes before it.
    qtest::WriteText(out / "script.txt", "wait SeqOpening\n+1 click 512 384\n"
                                         "label NOWHERE\nlabel JOIN\nwait SeqAvgMain\n+180 shot join\n+1 quit\n");
    proctest::EnvChanges env = proctest::HeadlessEnv(temp.path() / "run", temp.path() / "home");
    env["QUILLON_PLAYTHROUGH"] = (out / "script.txt").string();
    const pid_t pid = proctest::Spawn(proctest::BuildFolder() / "app" / "quillon", {}, game, out / "said.txt", env);
    EXPECT_EQ(qtest::WaitExit(pid, std::chrono::seconds(120)), 0);

    const std::string said = proctest::ReadText(out / "said.txt");
    EXPECT_NE(said.find("playthrough: line 3: label NOWHERE could not be given"), std::string::npos) << said;
    EXPECT_EQ(said.find("line 4"), std::string::npos) << said;
    const std::string debug = proctest::ReadUtf16File(game / "QuillonSample_SAVE" / "debug.log");
    EXPECT_NE(debug.find("The choice was taken"), std::string::npos) << debug;
    EXPECT_EQ(debug.find("The story begins"), std::string::npos) << debug;
    // The event picture JOIN shows, not the dark of a screen never faded in.
    const std::vector<unsigned char> png = qtest::ReadBytes(out / "join.png");
    pimage::image frame;
    ASSERT_TRUE(pimage::decode_png(png.data(), png.size(), frame));
    const uint32_t sky = frame.pixels[200 * frame.width + 512];
    EXPECT_GT((sky >> 16 & 0xFF) + (sky >> 8 & 0xFF) + (sky & 0xFF), 150u) << std::hex << sky;
}

} // namespace
