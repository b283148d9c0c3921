#include "tasks/GxTransitParam.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

#include <algorithm>

f32 GxTransitParam::GetProgress() const {
    if (!m_Transit || m_TransitTimeTotal <= 0) return 1.0f;
    const f32 p = f32(m_TransitTimeTotal - m_TransitTimeLeft) / f32(m_TransitTimeTotal);
    return std::clamp(p, 0.0f, 1.0f);
}

bool GxTransitParam::WriteContent(GxContentWriterBase* writer) {
    if (!writer) return false;
    bool ok = writer->Write("m_Transit", m_Transit);
    ok = writer->Write("m_TransitTimeLeft", m_TransitTimeLeft) && ok;
    ok = writer->Write("m_TransitTimeTotal", m_TransitTimeTotal) && ok;
    return ok && writer->GetErrorCount() == 0;
}

bool GxTransitParam::ReadContent(GxContentReaderBase* reader) {
    if (!reader) return false;
    bool ok = reader->Read("m_Transit", &m_Transit);
    ok = reader->Read("m_TransitTimeLeft", &m_TransitTimeLeft) && ok;
    ok = reader->Read("m_TransitTimeTotal", &m_TransitTimeTotal) && ok;
    return ok && reader->GetErrorCount() == 0;
}
