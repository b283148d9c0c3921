#include "base/GxStringUtil.h"
#include "engine/GxProcessState.h"
#include "tasks/GxTextEditor.h"
#include "io/GxFileSystem.h"
#include "platform/system/process_launch.h"
#include "tools/builders/PackWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(EditorCommand, TemplateExpansion) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"myedit.exe -l %line %file", u"myedit.exe -l 12 D:/game/scripts/a.txt"},
        {u"ed +%line:%pos \"%file\"", u"ed +12:0 \"D:/game/scripts/a.txt\""},
        {u"%file %file", u"D:/game/scripts/a.txt D:/game/scripts/a.txt"},
        {u"plain", u"plain"},
    };
    for (const auto& [tmpl, expected] : cases)
        EXPECT_EQ(ExpandEditorCommandTemplate(tmpl, u"D:/game/scripts/a.txt", 12), expected);
    // A path that itself names a placeholder is not expanded again.
    EXPECT_EQ(ExpandEditorCommandTemplate(u"e %file", u"%line.txt", 3), u"e %line.txt");
}

TEST(EditorCommand, KnownEditorsOpenAtTheLine) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"hidemaru.exe", u"\"a.txt\" /jx5,0"},
        {u"SAKURA.EXE", u"-Y=5 -X=0 -- \"a.txt\""},
        {u"EmEditor.exe", u"/l 5 \"a.txt\""},
        {u"terapad.exe", u"/jl=5 \"a.txt\""},
        {u"apsaly.exe", u"/j5 /c0 /d \"a.txt\""},
        {u"k2editor.exe", u"\"a.txt\" /j5"},
        {u"wzeditor.exe", u"/j5 \"a.txt\""},
        {u"gvim.exe", u"--remote-tab-silent +5 \"a.txt\""},
        {u"gvim", u"--remote-tab-silent +5 \"a.txt\""},
        {u"gedit", u"\"a.txt\""},
        {u"notepad.exe", u"\"a.txt\""},
        {u"sakura.txt", u"\"a.txt\""},
    };
    for (const auto& [editor, args] : cases) EXPECT_EQ(BuildKnownEditorCommand(u"a.txt", 5, editor), args) << GxToUtf8(editor);
}

TEST(EditorCommand, CommandLinesSplitAtBlanksOutsideQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(psys::split_command_line("a b  c"), (V{"a", "b", "c"}));
    EXPECT_EQ(psys::split_command_line("  \"/opt/My Editor/ed\" -l 3 \"a b.txt\" "), (V{"/opt/My Editor/ed", "-l", "3", "a b.txt"}));
    EXPECT_EQ(psys::split_command_line("x \"\" y"), (V{"x", "", "y"}));
    EXPECT_EQ(psys::split_command_line("   "), V{});
}

class Editor : public testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS", "VISUAL", "EDITOR"}) {
            const char* old = std::getenv(v);
            saved_.push_back({v, old ? std::optional<std::string>(old) : std::nullopt});
        }
        fs::create_directories(dir_.path() / "bin");
        fs::create_directories(dir_.path() / "data" / "applications");
        setenv("PATH", ((dir_.path() / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (dir_.path() / "nowhere").c_str(), 1);
        unsetenv("VISUAL");
        unsetenv("EDITOR");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        GxResetProcessState();
    }
    // An xdg-mime on the PATH that answers with the desktop file name.
    void FakeXdgMime(const std::string& answer) {
        const fs::path p = dir_.path() / "bin" / "xdg-mime";
        qtest::WriteText(p, "#!/bin/sh\necho '" + answer + "'\n");
        fs::permissions(p, fs::perms::owner_all);
    }

    qtest::TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(Editor, TheDesktopsTextHandlerComesFirstThenVisualThenEditor) {
    qtest::WriteText(dir_.path() / "data" / "applications" / "my.desktop",
                     "[Desktop Action new]\nExec=/wrong\n[Desktop Entry]\nName=My\nExec=\"/opt/My Editor/bin/edit\" %F\n");
    setenv("VISUAL", "vis -x", 1);
    setenv("EDITOR", "ed", 1);
    FakeXdgMime("my.desktop");
    EXPECT_EQ(FindTxtAssociatedEditor(), u"/opt/My Editor/bin/edit");

    FakeXdgMime("missing.desktop");
    EXPECT_EQ(FindTxtAssociatedEditor(), u"vis");
    // A name that points elsewhere is not followed.
    FakeXdgMime("../applications/my.desktop");
    EXPECT_EQ(FindTxtAssociatedEditor(), u"vis");
    unsetenv("VISUAL");
    EXPECT_EQ(FindTxtAssociatedEditor(), u"ed");
    unsetenv("EDITOR");
    EXPECT_EQ(FindTxtAssociatedEditor(), u"");
}

TEST_F(Editor, OnlyFilesOnDiskAreOpened) {
    const fs::path editor = dir_.path() / "bin" / "fake-editor";
    qtest::WriteText(editor, "#!/bin/sh\nexit 0\n");
    fs::permissions(editor, fs::perms::owner_all);
    qtest::WriteText(dir_.path() / "data" / "applications" / "fake.desktop", "[Desktop Entry]\nExec=fake-editor %f\n");
    FakeXdgMime("fake.desktop");
    qtest::WriteText(dir_.path() / "a.txt", "text");
    qtest::WritePack(dir_.path() / "s.gxp", {{"packed.txt", {'x'}}});
    ASSERT_TRUE(GxMountPackFile(dir_.u16("s.gxp")));

    EXPECT_TRUE(GxOpenFileInEditor(dir_.u16("a.txt"), 3));
    EXPECT_FALSE(GxOpenFileInEditor(u"packed.txt", 3));
    EXPECT_FALSE(GxOpenFileInEditor(dir_.u16("missing.txt"), 3));
    // Without any editor nothing is started (the file itself least of all).
    FakeXdgMime("");
    EXPECT_FALSE(GxOpenFileInEditor(dir_.u16("a.txt"), 3));
}

TEST_F(Editor, CommandLinesStartDetachedOrReportTheyCouldNot) {
    EXPECT_TRUE(GxRunCommandLine(u"true ignored arguments"));
    EXPECT_FALSE(GxRunCommandLine(u"no-such-program-here --flag"));
    EXPECT_FALSE(GxRunCommandLine(u"   "));
    EXPECT_FALSE(GxRunCommandLine(GxFromUtf8(dir_.path().string())));  // a folder
}

} // namespace
