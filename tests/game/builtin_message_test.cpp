// The message and text builtins: what each call leaves in the backlog, the
// read flags and the window flag, the reports of a TEXT block that cannot be
// read to its end, and the messages, names, voice and dialog on the
// adventure screen.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "gamedata/GxUserDataPerman.h"
#include "tasks/GxSystemConfig.h"

#include <gtest/gtest.h>

namespace {

using gametest::BuiltinScriptTest;
using maintest::MainSceneTest;

class MessageBuiltins : public BuiltinScriptTest {
protected:
    // The last backlog entry as "name|message|kinsoku|autobreak", or "-".
    std::string LastLog() const {
        if (data_->m_MessageLog.empty()) return "-";
        const GxMessageLogElement& e = data_->m_MessageLog.back();
        return GxToUtf8(e.m_Name) + "|" + GxToUtf8(e.m_Message) + "|" + (e.m_IgnoreKinsoku ? "k" : "-") +
               (e.m_DisenableAutoNewline ? "n" : "-");
    }
};

const std::string kBadToken = "ENDTEXTに到達する前に処理できないトークンがあります";

TEST_F(MessageBuiltins, EachCallLogsShowsAndReports) {
    struct Row {
        const char16_t* call;
        bool ignoreKinsoku, stopOnMissingVoice, hideBefore;
        std::string log;     // the backlog's last entry afterwards
        bool hideAfter;
        std::string report;  // the message of the one report, which stops the script; "" none
        std::string trace;   // what ran after the call
        int shownAt = 0;     // the line of the call that shows the message, after the row's first
    };
    const Row rows[] = {
        {u"MSG(\"こんにちは\")", false, false, false, "|こんにちは|--", false, "", ""},
        {u"MSG(\"禁則なし\")", true, false, false, "|禁則なし|k-", false, "", ""},
        {u"msg(12, 34)", false, false, false, "|12|--", false, "", ""},
        {u"MSG()", false, false, false, "||--", false, "", ""},
        {u"MSGN(\"アキ\", \"おはよう\")", false, false, false, "アキ|おはよう|--", false, "", ""},
        {u"MSGN(\"アキ\")", true, false, false, "アキ||k-", false, "", ""},
        {u"MSG.HIDE()", false, false, false, "-", true, "", ""},
        {u"MSG.SHOW()", false, false, true, "-", false, "", ""},
        {u"MSG.HIDE()\nMSG(\"見える\")", false, false, false, "|見える|--", false, "", "", 1},
        {u"MSG.CLEAR()", false, false, true, "-", true, "", ""},
        {u"TEXT(\"アキ\")\n> 一行目\n> 二行目\n\"三行目\"\nendtext\ntrace(\"after\")", false, false, false,
         "アキ|一行目%r二行目%r三行目|kn", false, "", "after"},
        {u"TEXT(\"ユウ\")\nendtext\ntrace(\"after\")", false, false, false, "ユウ||kn", false, "", "after"},
        {u"TEXT(\"ユウ\")\n> 一行目\n\n> 空行の後\nendtext\ntrace(\"after\")", false, false, false,
         "ユウ|一行目%r空行の後|kn", false, "", "after"},
        {u"TEXT(\"\", \"だれでもない\")\n> 声なし\nendtext", false, false, false, "|声なし|kn", false, "", ""},
        {u"TEXT(\"\", \"だれでもない\")\n> 声なし\nendtext", false, true, false, "-", false,
         "ボイスファイルが見つかりません[だれでもない]", ""},
        // A builtin's name in the block (a forgotten "endtext") ends it with
        // a report instead of holding the game for ever.
        {u"TEXT(\"アキ\")\n> 一行目\nMSG(\"次\")\nendtext\ntrace(\"after\")", false, false, false, "-", false,
         kBadToken + "[組み込み関数名 String:msg]", ""},
        {u"TEXT(\"アキ\")\n> 一行目\n5\nendtext", false, false, false, "-", false, kBadToken + "[整数値[5]]", ""},
    };
    StartRows(gametest::Calls(rows));
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        data_->m_MessageLog.clear();
        data_->m_IgnoreKinsoku = r.ignoreKinsoku;
        data_->m_HideWindowByCommandFlag = r.hideBefore;
        core_.m_Config->m_ErrorStopNotFound_VO = r.stopOnMissingVoice;
        traces_.clear();
        RunRow(i);
        EXPECT_EQ(LastLog(), r.log);
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hideAfter);
        EXPECT_EQ(TraceText(), r.trace);
        EXPECT_EQ(Errors(), Reports(RowLine(i), gametest::NameOf(r.call), r.report));
        // A message shown is read from the line of its call on.
        EXPECT_EQ(perman_->IsReadedMessage(u"main", RowLine(i) + r.shownAt), r.log != "-");
    });
}

TEST_F(MessageBuiltins, ABlockWithoutItsEndShowsItsLinesOnce) {
    StartGame(u"*start\nTEXT(\"アキ\")\n> 一行目\n> 二行目");
    Run();
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    ASSERT_EQ(data_->m_MessageLog.size(), 1u) << "the block's lines are not met again as lines of their own";
    EXPECT_EQ(LastLog(), "アキ|一行目%r二行目|kn");
    EXPECT_FALSE(g_pMoaMainWorker()->IsRunning());
}

using MessageScene = MainSceneTest;

TEST_F(MessageScene, MessagesNamesAndTheBlockVoiceReachTheScreen) {
    Play(u"*start\n"
         u"MSGN(\"アキ\", \"おはよう\")\n"
         u"TEXT(\"ユウ\", \"v1\")\n"
         u"> 一行目\n"
         u"> 二行目\n"
         u"endtext\n"
         u"MSG(\"おわり\")\n"
         u"GO(\"start\")\n"
         u"*clear\nMSG.CLEAR()\n");
    struct Step {
        const char* shown;
        const char16_t* name;
        const char16_t* voice;  // the backlog entry's voice
        int line;               // where the script waits (0-based)
    } steps[] = {
        {"おはよう", u"アキ", u"", 1},
        {"一行目二行目", u"ユウ", u"voices/v1.wav", 6},
        {"おわり", u"", u"", 6},
    };
    for (int round = 0; round < 2; ++round)
        for (const Step& s : steps) {
            SCOPED_TRACE(std::string(s.shown) + (round ? " again" : ""));
            ASSERT_TRUE(UntilClickWait()) << log_.Text();
            EXPECT_EQ(Shown(), s.shown);
            EXPECT_EQ(Main()->GetNameWindow()->GetText(), s.name);
            EXPECT_EQ(Main()->GetNameWindow()->IsVisible(), *s.name != 0);
            EXPECT_EQ(Window()->IsReaded(), round == 1) << "read from the second time on";
            EXPECT_EQ(data_->m_MessageLog.back().m_VoiceFileName[0], s.voice);
            EXPECT_EQ(ScriptLine(), s.line);
            Click();
            Frame();
        }
    EXPECT_EQ(log_.Text().find("err:"), std::string::npos) << log_.Text();

    // Clearing empties the window and the name.
    ASSERT_TRUE(UntilClickWait());
    ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"clear", nullptr));
    g_pMoaMainWorker()->Step(g_pMoaFunctionBinder());
    EXPECT_EQ(Shown(), "");
    EXPECT_FALSE(Main()->GetNameWindow()->IsVisible());
}

TEST_F(MessageScene, TheDialogAsksAndItsAnswerIsRead) {
    struct Row {
        const char16_t* kind;
        const GxChar* button;  // pressed: the single OK is the second "btn_dlguser_ok"
        s32 index;
        const char* result;
    } rows[] = {
        {u"", u"btn_dlguser_ok", 1, "1"},           {u", \"はい\"", u"btn_dlguser_ok", 1, "1"},
        {u", 3", u"btn_dlguser_no", 0, "0"},         {u", 3", u"btn_dlguser_yes", 0, "1"},
        {u", 2", u"btn_dlguser_cancel", 0, "0"},     {u", 4294967298", u"btn_dlguser_ok", 1, "1"},
    };
    std::u16string script = u"*start\n";
    for (const Row& r : rows) script += u"DLG(\"続けますか\"" + std::u16string(r.kind) + u")\nMSG(ToStr(GetDialogResult()))\n";
    script += u"*twice\nDLG(\"二度目\")\n";
    Play(script.c_str());
    for (const Row& r : rows) {
        SCOPED_TRACE(GxToUtf8(r.kind) + " " + GxToUtf8(r.button));
        ASSERT_TRUE(FramesUntil([] { return GxIsUserDialogOpen(); })) << log_.Text();
        EXPECT_EQ(DialogText(), u"続けますか");
        GxTaskUIBase* pressed = Widget(u"dlg_user", r.button, r.index);
        ASSERT_TRUE(pressed && pressed->IsVisible()) << "the kind's button";
        pressed->PostUIEvent(UIEVENT_DECIDE);
        ASSERT_TRUE(UntilClickWait()) << log_.Text();
        EXPECT_EQ(Shown(), r.result);
        Click();
        Frame();
    }

    // A second dialog while one is open stops the script.
    ASSERT_TRUE(FramesUntil([] { return GxIsUserDialogOpen(); }));
    ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"twice", nullptr));
    EXPECT_FALSE(g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()));
    const std::string report = "err:[Script=\"main\"/line=" + std::to_string(2 * std::size(rows) + 3) +
                               "] dlg:ダイアログは二重に開けません\n";
    EXPECT_NE(log_.Text().find(report), std::string::npos) << log_.Text();
}

} // namespace
