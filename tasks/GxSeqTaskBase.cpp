#include "tasks/GxSeqTaskBase.h"

GxSeqTaskBase::GxSeqTaskBase(GxTaskBase* parent, const GxChar* name) : GxTaskFolder(parent, name) {
    TaskFlags |= kGxTaskEndsSiblingWalk;
    TypeBits |= kGxTypeSequence;
    m_OwnerSequence = this;
    m_SeqWorkIndex = -1;
}

GxSeqTaskBase::~GxSeqTaskBase() = default;

GxSeqTaskBase* GxSeqTaskBase::FindOwnerSequence() {
    m_OwnerSequence = this;
    return this;
}
