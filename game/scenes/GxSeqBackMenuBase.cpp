#include "game/scenes/GxSeqBackMenuBase.h"

GxSeqBackMenuBase::GxSeqBackMenuBase(GxTaskBase* parent, const GxChar* name) : SeqScreenBase(parent, name) {}

GxSeqBackMenuBase::~GxSeqBackMenuBase() = default;

int GxSeqBackMenuBase::OnRButtonDown(const GxVector2&, u32, bool) {
    return PostClick(u"btn_back") ? 1 : 0;
}

int GxSeqBackMenuBase::OnKeyActionUpdate(const GxInputState* keyMapState, int step, s64 elapsed) {
    return GxSeqMenuBase::OnKeyActionUpdate(keyMapState, step, elapsed);
}

int GxSeqBackMenuBase::GoBack() {
    SeqScreenBase::GoBack(0, 0);
    return 1;
}
