#include "script/GxMoaStreamUtil.h"

#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"

bool GxMoaCountFits(const GxContentReaderBase& reader, u64 count) {
    // Every record takes at least one byte of the stream.
    return count <= reader.GetRemainingBytes();
}

bool GxMoaReadListBegin(GxContentReaderBase& reader, const char* name, u32* count, const GxChar* who) {
    *count = 0;
    u32 n = 0;
    if (!reader.ReadListBegin(name, &n)) return false;
    if (!GxMoaCountFits(reader, n)) {
        GxWriteErrorLog(u"%s/リストの要素数が不正です(%S:%u)\n", who, name, n);
        return false;
    }
    *count = n;
    return true;
}

bool GxMoaReadCount(GxContentReaderBase& reader, const char* name, s32* count, const GxChar* who) {
    *count = 0;
    s32 n = 0;
    if (!reader.Read(name, &n)) return false;
    if (n < 0 || !GxMoaCountFits(reader, u64(n))) {
        GxWriteErrorLog(u"%s/要素数が不正です(%S:%d)\n", who, name, n);
        return false;
    }
    *count = n;
    return true;
}

bool GxMoaWriteLabels(GxContentWriterBase& writer, const GxMoaLabelMap& labels) {
    return GxMoaWriteList(writer, "m_pLabelDefine", labels,
                          [&](const auto& entry) { return entry.second->Write(writer); });
}

bool GxMoaReadLabels(GxContentReaderBase& reader, const GxChar* who, GxMoaLabelMap* labels) {
    return GxMoaReadList(reader, "m_pLabelDefine", who, [&] {
        auto label = std::make_unique<GxMoaLabelDefinition>();
        if (!label->Read(reader)) return false;
        // The first label of a name wins.
        labels->emplace(label->m_Name, std::move(label));
        return true;
    });
}
