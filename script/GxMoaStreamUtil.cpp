#include "script/GxMoaStreamUtil.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"

#include <algorithm>
#include "io/GxContentReaderBase.h"

bool GxMoaCountFits(const GxContentReaderBase& reader, u64 count, u32 elementBytes) {
    // Every record takes at least one byte of the stream.
    return reader.CanHold(count, std::max(elementBytes, 1u));
}

bool GxMoaReadListBegin(GxContentReaderBase& reader, const char* name, u32* count, const GxChar* who,
                        u32 elementBytes) {
    *count = 0;
    u32 n = 0;
    if (!reader.ReadListBegin(name, &n)) return false;
    if (!GxMoaCountFits(reader, n, elementBytes)) {
        reader.ComplainAbout(GxFormat(u"%s/リストの要素数が不正です(%S:%u)\n", who, name, n));
        return false;
    }
    *count = n;
    return true;
}

bool GxMoaReadCount(GxContentReaderBase& reader, const char* name, s32* count, const GxChar* who) {
    *count = 0;
    s32 n = 0;
    if (!reader.Read(name, &n)) return false;
    if (n < 0 || !GxMoaCountFits(reader, u64(n), 1)) {
        reader.ComplainAbout(GxFormat(u"%s/要素数が不正です(%S:%d)\n", who, name, n));
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
    // A name, a place (line, token, script) and a scope.
    constexpr u32 kLabelBytes =
        GxContentMinReadBytes(kGxValStringUTF8, kGxValS32, kGxValS32, kGxValStringUTF8, kGxValS32);
    return GxMoaReadList(reader, "m_pLabelDefine", who, kLabelBytes, [&] {
        auto label = std::make_unique<GxMoaLabelDefinition>();
        if (!label->Read(reader)) return false;
        // The first label of a name wins.
        labels->emplace(label->m_Name, std::move(label));
        return true;
    });
}
