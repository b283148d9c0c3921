#include "game/GxGameUserDataHost.h"

#include "game/GxGameModule.h"
#include "game/GxGameSound.h"
#include "game/scenes/SeqAvgMain.h"
#include "gamedata/GxSoundParam.h"
#include "media/movie/GxMovie.h"
#include "tasks/GxTaskBase.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIMessageWindowFx.h"

#include <initializer_list>

bool GxGameUserDataHost::IsBgmPlaying() { return GxIsBgmPlaying(); }
bool GxGameUserDataHost::IsBgvPlaying() { return GxIsBgvPlaying(); }

void GxGameUserDataHost::PlayBgm(const GxSoundParam& r, s32 fadeInTime) {
    GxPlayBgm(r.m_FileName, r.m_Loop, r.m_StartSeekPosTime, fadeInTime, r.m_LoopPosTime, false);
}

void GxGameUserDataHost::PlayBgv(const GxSoundParam& r, s32 fadeInTime) {
    GxPlayBgv(r.m_FileName, r.m_Loop, r.m_StartSeekPosTime, fadeInTime, r.m_LoopPosTime);
}

void GxGameUserDataHost::PlaySe(s32 channel, const GxSoundParam& r, s32 fadeInTime) {
    GxPlaySe(channel, r.m_FileName, r.m_Loop, r.m_StartSeekPosTime, fadeInTime, r.m_LoopPosTime);
}

void GxGameUserDataHost::StopChannels(bool stopBgm) {
    if (stopBgm) GxStopBgm(0);
    GxStopBgv(0);
    GxStopAllSe();
    GxStopAllVoices();
    GxStopAllSubVoices();
}

void GxGameUserDataHost::StopAllOneShots() { GxStopAllOneShots(); }

void GxGameUserDataHost::StopAllMovies() { GxMovie::StopAll(); }

void GxGameUserDataHost::ResetPlayScene() {
    if (SeqAvgMain* scene = SeqAvgMain::Find()) scene->ResetPlayScene();
}

void GxGameUserDataHost::StartGlobalFadeOut(s32 time) { GxStartGlobalFadeOut(time); }

void GxGameUserDataHost::ApplyWindowSettings(GxTaskBase* messageWindow, GxTaskBase* nameWindow,
                                             s32 letterMarginWidth, s32 windowOpacity) {
    if (auto* window = dynamic_cast<GxTaskUIMessageWindowFx*>(messageWindow))
        window->SetLetterMarginWidth(letterMarginWidth);
    for (GxTaskBase* window : {messageWindow, nameWindow})
        if (window && (window->TypeBits & kGxTypeUI)) static_cast<GxTaskUIBase*>(window)->SetImageAlpha(windowOpacity);
}

void GxGameUserDataHost::TakeLoadedMessageAsRead() {
    if (SeqAvgMain* scene = SeqAvgMain::Find()) scene->TakeLoadedMessageAsRead();
}

void GxGameUserDataHost::SetSelectButtonColor(GxTaskBase* button, u32 color) {
    SeqAvgMain::SetChoiceTextColor(button, color);
}
