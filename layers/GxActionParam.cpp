#include "layers/GxActionParam.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

GxActionParam::GxActionParam(const GxActionParam& o) { *this = o; }

GxActionParam& GxActionParam::operator=(const GxActionParam& o) {
    m_ActionType = o.m_ActionType;
    m_TimeLeft = o.m_TimeLeft;
    m_TimeTotal = o.m_TimeTotal;
    m_Start = GxVector3(o.m_Start.x, o.m_Start.y, o.m_Start.z);
    m_End = GxVector3(o.m_End.x, o.m_End.y, o.m_End.z);
    m_InterMode = o.m_InterMode;
    m_InterParam = o.m_InterParam;
    m_InitCompleted = o.m_InitCompleted;
    return *this;
}

bool GxActionParam::Write(GxContentWriterBase* w) {
    if (!w) return false;
    w->Write("m_ActionType", m_ActionType);
    w->Write("m_TimeLeft", m_TimeLeft);
    w->Write("m_TimeTotal", m_TimeTotal);
    w->Write("m_Start", m_Start);
    w->Write("m_End", m_End);
    w->Write("m_InterMode", m_InterMode);
    w->Write("m_InterParam", m_InterParam);
    w->Write("m_InitCompleted", m_InitCompleted);
    return w->GetErrorCount() == 0;
}

bool GxActionParam::Read(GxContentReaderBase* r) {
    if (!r) return false;
    *this = GxActionParam();
    r->Read("m_ActionType", &m_ActionType);
    r->Read("m_TimeLeft", &m_TimeLeft);
    r->Read("m_TimeTotal", &m_TimeTotal);
    r->Read("m_Start", &m_Start);
    r->Read("m_End", &m_End);
    r->Read("m_InterMode", &m_InterMode);
    r->Read("m_InterParam", &m_InterParam);
    r->Read("m_InitCompleted", &m_InitCompleted);
    m_Start.w = m_End.w = 0;
    return r->GetErrorCount() == 0;
}
