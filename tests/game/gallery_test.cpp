// The picture gallery and its viewer over the test game: the gallery's page
// with locked and unlocked sets and its completion rate, pages turned by
// buttons, wheel and keys, sets unlocked from the permanent data, a count
// from the file larger than a record holds, the gallery's music; the viewer
// showing the seen pictures in turn, panning, dragging, the keys and the pad,
// a missing picture and a record outside the table.
#include "ExtrasFixture.h"

#include "game/scenes/SeqCGMode.h"
#include "game/scenes/SeqCGModeView.h"
#include "gamedata/GxUserData.h"

namespace {

using extrastest::ExtrasTest;

constexpr const char16_t* kUI = u"$UI:SeqCGMode";
constexpr int kCursorSizeAll = 2, kCursorSizeNS = 3, kCursorSizeWE = 4, kCursorNo = 5, kCursorArrow = 6;

class Gallery : public ExtrasTest {
protected:
    SeqCGMode* Room() { return Scene<SeqCGMode>(u"SeqCGMode"); }
    SeqCGModeView* Viewer() { return Scene<SeqCGModeView>(u"SeqCGModeView"); }
    GxTaskLayer* Picture() { return Layer(u"$BGLAYER:SeqCGModeView"); }
    GxVector4 PicturePos() {
        GxVector4 at;
        Picture()->GetPos(&at);
        return at;
    }
    GxTaskUIBase* Thumb(int i) { return Widget(kUI, u"btn_cgselect", i); }
    void Seen(std::initializer_list<const char16_t*> titles) {
        for (const char16_t* t : titles) perman_->SetShowedCG(t);
    }
};

// The page shows unlocked sets with their counts and locked ones as plates.
TEST_F(Gallery, SetsUnlockFromThePermanentDataAtEachEntry) {
    Seen({u"ev_wide", u"ev_small"});
    Enter(u"SeqCGMode");
    // Every picture of the five sets counts, once in each set that holds
    // it: 4 + 1 + 1 + 1 + 1, of which the small one twice.
    EXPECT_EQ(Room()->GetTotal(), 8);
    EXPECT_EQ(Room()->GetUnlocked(), 3);
    EXPECT_EQ(Room()->GetCompletionRate(), 37);
    EXPECT_EQ(Room()->GetCurrentPage(), 0);
    Click(kUI, u"btn_pageselect", 1);
    MoveTo(1000, 20);
    Frames(2);
    EXPECT_TRUE(MatchesGolden("gallery"));
    EXPECT_EQ(Room()->GetPageList(), (std::vector<s32>{1, 2}));
    EXPECT_TRUE(Thumb(0)->IsEnabled());
    EXPECT_EQ(Room()->GetShownCount(1), 2);
    EXPECT_EQ(Room()->GetRecordBits(1), (GxFlagWords{0b1001}));
    EXPECT_FALSE(Thumb(1)->IsEnabled());
    EXPECT_FALSE(Thumb(2)->IsVisible());
    // A locked set cannot be opened.
    Click(kUI, u"btn_cgselect", 1);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode");
    // Seen meanwhile (in any record, by its title in any letter case), it
    // opens at the next entry.
    Seen({u"cg/EV_ONE.png"});
    Enter(u"SeqCGModeView", 1);
    Enter(u"SeqCGMode");
    EXPECT_EQ(Room()->GetCurrentPage(), 1);
    EXPECT_TRUE(Thumb(1)->IsEnabled());
    EXPECT_EQ(Room()->GetShownCount(2), 1);
    EXPECT_EQ(Room()->GetUnlocked(), 6);
    Click(kUI, u"btn_cgselect", 1);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqCGModeView");
    EXPECT_EQ(Worker().m_CurrentParam0, 2);
    // A count larger than its record stops at the record's last picture.
    Seen({u"ev_gone"});
    Enter(u"SeqCGMode");
    EXPECT_EQ(Room()->GetShownCount(5), 1);
    EXPECT_EQ(Room()->GetRecordBits(5), (GxFlagWords{1}));
    EXPECT_EQ(Room()->GetTotal(), 8);
}

// A missing thumbnail, and a missing title to go back to, are logged.
TEST_F(Gallery, PagesTurnAndWrapByButtonsWheelAndKeysAndMissingFilesAreLogged) {
    Enter(u"SeqCGMode");
    EXPECT_TRUE(log_.Contains("CGモードサムネイル th_missing.png (ID=4)が見つかりません")) << log_.Text();
    EXPECT_FALSE(log_.Contains("th_town.png")) << log_.Text();
    EXPECT_EQ(Room()->GetLastPage(), 3);
    const struct {
        int how;  // 0 next, 1 prev, 2 wheel forward, 3 wheel back, 4 left, 5 right, 6 page down
        s32 page;
    } steps[] = {{0, 1}, {0, 2}, {0, 3}, {0, 1}, {1, 3}, {2, 2}, {3, 3}, {5, 1}, {4, 3}, {6, 1}};
    for (const auto& s : steps) {
        switch (s.how) {
        case 0: Click(kUI, u"btn_next"); break;
        case 1: Click(kUI, u"btn_prev"); break;
        case 2: Wheel(120); break;
        case 3: Wheel(-240); break;
        case 4: Key(0x25); break;
        case 5: Key(0x27); break;
        case 6: Key(0x22); break;
        }
        EXPECT_EQ(Room()->GetCurrentPage(), s.page) << s.how;
        EXPECT_TRUE(Widget(kUI, u"btn_pageselect", s.page)->GetValueBool()) << s.how;
    }
    // A small turn of the wheel does nothing.
    Wheel(60);
    EXPECT_EQ(Room()->GetCurrentPage(), 1);
    Click(kUI, u"btn_pageselect", 2);
    EXPECT_EQ(Room()->GetPageList(), (std::vector<s32>{3}));
    log_.Clear();
    Unname(u"SeqTitle");
    Click(kUI, u"btn_back");
    EXPECT_TRUE(log_.Contains("遷移先のシーケンスが見つかりません(SeqTitle)")) << log_.Text();
    Frames(2);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode");
}

TEST_F(Gallery, ItsOwnMusicPlaysAndGoesOnUndisturbedAtTheNextEntry) {
    core_.m_Config->m_BGMNameCGMode = u"gallery.wav";
    core_.m_Config->m_BGMLoopCGMode = 250;
    Enter(u"SeqCGMode");
    EXPECT_TRUE(BgmPlaying());
    EXPECT_EQ(data_->m_BGMParam.m_FileName, u"bgms/gallery.wav");
    EXPECT_EQ(data_->m_BGMParam.m_LoopPosTime, 250u);
    EXPECT_EQ(data_->m_BGMParam.m_FadeInTime, 50);
    const u32 channel = Playing(0) ? 0 : 1;
    const u32 before = StartTime(channel);
    Enter(u"SeqCGModeView", 1);
    Enter(u"SeqCGMode");
    EXPECT_TRUE(Playing(channel));
    EXPECT_EQ(StartTime(channel), before);
}

// ---- the viewer ---------------------------------------------------------------

TEST_F(Gallery, TheViewerShowsTheSeenPicturesInTurnThenReturns) {
    Seen({u"ev_wide", u"ev_tall", u"ev_small"});
    Enter(u"SeqCGMode");
    Click(kUI, u"btn_pageselect", 1);
    Click(kUI, u"btn_cgselect", 0);
    Frames(40);
    ASSERT_EQ(Worker().m_CurrentName, u"SeqCGModeView");
    // 0, 1 and 3 were seen; 2 was not. Clicks, a key and the pad's decide
    // go on; a click during a pan first completes it.
    EXPECT_EQ(Viewer()->GetPictureIndex(), 0);
    ClickAt(500, 400);
    EXPECT_EQ(Viewer()->GetPictureIndex(), 0);
    EXPECT_FLOAT_EQ(PicturePos().x, -1024.0f);
    ClickAt(500, 400);
    EXPECT_EQ(Viewer()->GetPictureIndex(), 1);
    Key(0x0D);
    EXPECT_EQ(Viewer()->GetPictureIndex(), 3);
    Frames(40);
    EXPECT_TRUE(MatchesGolden("gallery_viewer"));
    Action(u"DECIDE", true);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode");
}

TEST_F(Gallery, AWidePicturePansFromItsStartToItsEndAfterHalfASecondOrReturnsAtOnce) {
    Seen({u"ev_wide", u"ev_tall"});
    ASSERT_TRUE(Tasks().ChangeSequenceByName(u"SeqCGModeView", 0, 1, 0));
    Frame();
    EXPECT_FLOAT_EQ(PicturePos().x, 0.0f);
    Frames(20, 20);  // within the wait
    EXPECT_FLOAT_EQ(PicturePos().x, 0.0f);
    Frames(200, 20);  // 4 s into the move of 30 + 8192 ms
    EXPECT_LT(PicturePos().x, -200.0f);
    EXPECT_GT(PicturePos().x, -1000.0f);
    Frames(250, 20);
    EXPECT_FLOAT_EQ(PicturePos().x, -1024.0f);
    EXPECT_FLOAT_EQ(PicturePos().y, 0.0f);
    // Enter during the next picture's pan goes straight on.
    ClickAt(500, 400);
    EXPECT_EQ(Viewer()->GetPictureIndex(), 1);
    Frames(40, 20);
    EXPECT_LT(PicturePos().y, -10.0f);
    Key(0x20);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode");
    // The right button and the pad's cancel return at once, in the pan's wait.
    for (const bool pad : {false, true}) {
        Enter(u"SeqCGModeView", 1);
        pad ? Action(u"CANCEL", true) : RightClick();
        EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode") << pad;
    }
}

TEST_F(Gallery, DraggingMovesAPictureOnlyAlongItsLargerSides) {
    Seen({u"ev_tall", u"ev_small", u"ev_wide"});
    Enter(u"SeqCGModeView", 1);
    // The wide picture, its pan completed by a click: sideways only, held
    // inside the screen.
    ClickAt(500, 400);
    ASSERT_FLOAT_EQ(PicturePos().x, -1024.0f);
    Press(400, 300);
    MoveTo(600, 500);
    Release(600, 500);
    EXPECT_EQ(core_.m_CursorShape, kCursorArrow);
    EXPECT_FLOAT_EQ(PicturePos().x, -824.0f);
    EXPECT_FLOAT_EQ(PicturePos().y, 0.0f);
    EXPECT_EQ(Viewer()->GetPictureIndex(), 0) << "a drag is no click";
    Press(600, 300);
    MoveTo(3000, 300);
    EXPECT_EQ(core_.m_CursorShape, kCursorSizeWE);
    EXPECT_FLOAT_EQ(PicturePos().x, 0.0f);
    Release(3000, 300);
    // A drag ends at its release also when a dialog opened meanwhile.
    Press(500, 300);
    MoveTo(400, 300);
    ASSERT_FLOAT_EQ(PicturePos().x, -100.0f);
    ui_.m_ModalLevel = 1;
    Tasks().OnLButtonUp(GxVector2(400, 300), 0);
    ui_.m_ModalLevel = 0;
    MoveTo(200, 300);
    EXPECT_FLOAT_EQ(PicturePos().x, -100.0f) << "the button is up";
    EXPECT_EQ(core_.m_CursorShape, kCursorArrow);
    // The tall one: up and down only, between -768 and 0.
    ClickAt(500, 400);
    ASSERT_EQ(Viewer()->GetPictureIndex(), 1);
    Press(500, 400);
    MoveTo(300, 100);
    EXPECT_EQ(core_.m_CursorShape, kCursorSizeNS);
    EXPECT_FLOAT_EQ(PicturePos().x, 0.0f);
    EXPECT_FLOAT_EQ(PicturePos().y, -300.0f);
    MoveTo(300, -5000);
    EXPECT_FLOAT_EQ(PicturePos().y, -768.0f);
    Release(300, -5000);
    // The small one, centred: a drag puts it at the corner with the "no" cursor.
    ClickAt(500, 400);
    ASSERT_EQ(Viewer()->GetPictureIndex(), 3);
    EXPECT_FLOAT_EQ(PicturePos().x, 192.0f);
    EXPECT_FLOAT_EQ(PicturePos().y, 144.0f);
    Press(500, 400);
    MoveTo(520, 420);
    EXPECT_EQ(core_.m_CursorShape, kCursorNo);
    EXPECT_FLOAT_EQ(PicturePos().x, 0.0f);
    EXPECT_FLOAT_EQ(PicturePos().y, 0.0f);
    Release(520, 420);
    EXPECT_EQ(core_.m_CursorShape, kCursorArrow);
    (void)kCursorSizeAll;
}

// A missing picture, and a record outside the table, are logged: the viewer
// shows no picture, and a click returns.
TEST_F(Gallery, AMissingPictureOrARecordOutsideTheTableIsLoggedAndAClickReturns) {
    Seen({u"ev_gone", u"ev_one"});
    Enter(u"SeqCGModeView", 2);
    EXPECT_EQ(Picture()->GetContentWidth(), 1024);
    RightClick();
    const struct {
        s32 record;
        const char* logged;
        s32 index;
    } rows[] = {{5, "画像がありません ev_gone", 0}, {999, "SeqCGModeView/範囲外のIDです(ID=999)", -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.record);
        log_.Clear();
        Enter(u"SeqCGModeView", r.record);
        EXPECT_TRUE(log_.Contains(r.logged)) << log_.Text();
        EXPECT_EQ(Viewer()->GetPictureIndex(), r.index);
        EXPECT_EQ(Picture()->GetContentWidth(), 0);
        ClickAt(500, 400);
        EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode");
    }
}

TEST_F(Gallery, WithoutTheGallerySceneTheViewerStaysAndBeginsAgain) {
    Seen({u"ev_one"});
    Enter(u"SeqCGModeView", 2);
    Unname(u"SeqCGMode");
    for (const bool key : {false, true}) {
        SCOPED_TRACE(key ? "key" : "click");
        const auto next = [&] { key ? Key(0x20) : ClickAt(500, 400); };
        ASSERT_EQ(Viewer()->GetPictureIndex(), 0);
        log_.Clear();
        next();
        EXPECT_TRUE(log_.Contains("遷移先のシーケンスが見つかりません(SeqCGMode)")) << log_.Text();
        EXPECT_EQ(Worker().m_CurrentName, u"SeqCGModeView");
        EXPECT_EQ(Viewer()->GetPictureIndex(), -1) << "past the last picture";
        next();
        EXPECT_EQ(Viewer()->GetPictureIndex(), 0) << "the first picture again";
    }
}

TEST(GalleryViewer, AlignmentCodesPlaceAPictureOfEitherSize) {
    const struct {
        const char16_t* code;
        f32 width, height, x, y;
    } cases[] = {
        {u"LT", 2048, 768, 0, 0},      {u"RB", 2048, 1536, -1024, -768}, {u"MM", 640, 480, 192, 144},
        {u"MM", 1025, 769, 0, 0},      {u"MM", 2047, 1000, -511, -116},  {u"RT", 640, 480, 384, 0},
        {u"XB", 800, 600, 0, 168},     {u"L", 2048, 1536, 0, 0},         {u"", 2048, 1536, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SeqCGModeView::AlignedPosition(c.code, 0, c.width), c.x) << GxToUtf8(c.code);
        EXPECT_EQ(SeqCGModeView::AlignedPosition(c.code, 1, c.height), c.y) << GxToUtf8(c.code);
    }
}

} // namespace
