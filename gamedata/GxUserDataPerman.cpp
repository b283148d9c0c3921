#include "gamedata/GxUserDataPerman.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/DBRPMode.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxPersistFile.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "io/GxFileSystem.h"
#include "platform/system/file_system.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"

#include <algorithm>
#include <vector>

namespace {

GxUserDataPerman* g_UserDataPerman = nullptr;

constexpr u32 kStoragePermanent = 2;
constexpr const GxChar* kWho = u"GxUserDataPerman::Load";
constexpr const GxChar* kSaveWho = u"GxUserDataPerman::Save";
constexpr s32 kShown = 1;

// The permanent variables are written and merged only with both the
// instance and its main worker there.
bool Scripted() { return g_pMoa() && g_pMoaMainWorker(); }

bool WriteFlagMap(GxContentWriterBase& w, const char* name, const std::map<GxString, GxFlagWords>& map) {
    bool ok = w.Write(name, u32(map.size()));
    for (const auto& [key, words] : map) {
        ok = w.Write("Key", key) && ok;
        ok = w.Write("Flags", u32(words.size())) && ok;
        for (u32 word : words) ok = w.Write("Value", word) && ok;
    }
    return ok;
}

// Reads a flag map's entries into map; false at the first damage.
bool ReadFlagMap(GxContentReaderBase& r, const char* name, std::map<GxString, GxFlagWords>* map) {
    u32 count = 0;
    if (!GxPersistFile::ReadCount(r, name, GxPersistFile::kMinValueBytes, kWho, &count)) return false;
    for (u32 i = 0; i < count; ++i) {
        GxString key;
        u32 wordCount = 0;
        if (!r.Read("Key", &key) || !GxPersistFile::ReadCount(r, "Flags", GxPersistFile::kMinValueBytes, kWho, &wordCount))
            return false;
        GxFlagWords words(wordCount, 0);
        for (u32& word : words)
            if (!r.Read("Value", &word)) return false;
        // A key the file holds twice keeps its first entry.
        map->emplace(std::move(key), std::move(words));
    }
    return true;
}

void SetFlag(std::map<GxString, GxFlagWords>& map, const GxString& key, s32 flag) { GxSetFlagBit(map[key], flag); }

bool TestFlag(const std::map<GxString, GxFlagWords>& map, const GxString& key, s32 flag) {
    const auto it = map.find(key);
    return it != map.end() && GxTestFlagBit(it->second, flag);
}

} // namespace

bool GxPictureNameLess::operator()(const GxString& a, const GxString& b) const {
    const auto fold = [](GxChar c) { return c >= u'A' && c <= u'Z' ? GxChar(c + 32) : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](GxChar x, GxChar y) { return fold(x) < fold(y); });
}

GxUserDataPerman* GxUserDataPerman::Get() { return g_UserDataPerman; }
void GxUserDataPerman::Set(GxUserDataPerman* perman) { g_UserDataPerman = perman; }

GxUserDataPerman::GxUserDataPerman(GxCoreBase* core) : m_Core(core) {}

GxCoreBase* GxUserDataPerman::Core() const { return m_Core ? m_Core : GxCoreBase::GetCoreBase(); }

void GxUserDataPerman::SetReadedMessage(const GxString& key, s32 flag) { SetFlag(m_ReadedMessageFlags, key, flag); }
bool GxUserDataPerman::IsReadedMessage(const GxString& key, s32 flag) const {
    return TestFlag(m_ReadedMessageFlags, key, flag);
}
void GxUserDataPerman::SetSelectedMenu(const GxString& key, s32 flag) { SetFlag(m_SelectedMenuFlags, key, flag); }
bool GxUserDataPerman::IsSelectedMenu(const GxString& key, s32 flag) const {
    return TestFlag(m_SelectedMenuFlags, key, flag);
}

void GxUserDataPerman::PassAllReplayLabels() {
    m_PassedReplayLabels.clear();
    for (s32 i = 0; i < DBRPMode::kCapacity; ++i) {
        const GxString& label = g_DBRPMode.GetRecord(i)->Label;
        if (!label.empty()) m_PassedReplayLabels.insert(label);
    }
}

void GxUserDataPerman::SetShowedCG(const GxString& path) { m_ShowedCGFlags[GxGetFileTitle(path)] = kShown; }

bool GxUserDataPerman::SetShowedCGGroup(const GxString& file) {
    s32 record = 0, entry = 0;
    if (!GxFindCGModeFile(record, entry, file)) return false;
    const DBCGModeRecord& group = *g_DBCGMode.GetRecord(record);
    if (group.Count == 0) return false;
    for (const GxString& name : group.FileName)
        if (!name.empty()) m_ShowedCGFlags[name] = kShown;
    return true;
}

void GxUserDataPerman::SetShowedAllCG() {
    m_ShowedCGFlags.clear();
    for (s32 r = 0; r < DBCGMode::kCapacity; ++r)
        for (const GxString& name : g_DBCGMode.GetRecord(r)->FileName)
            if (!name.empty()) m_ShowedCGFlags[name] = kShown;
}

GxString GxUserDataPerman::GetFilePath() const {
    const GxCoreBase* core = Core();
    return (core ? core->GetSaveDir() : GxString()) + u"permanent.dat";
}

bool GxUserDataPerman::WriteBody(GxContentWriterBase& w) {
    bool ok = WriteFlagMap(w, "m_ReadedMessageFlags", m_ReadedMessageFlags);
    ok = WriteFlagMap(w, "m_SelectedMenuFlags", m_SelectedMenuFlags) && ok;
    ok = w.Write("m_PassedReplayLabels", u32(m_PassedReplayLabels.size())) && ok;
    for (const GxString& label : m_PassedReplayLabels) ok = w.Write("Key", label) && ok;
    ok = w.Write("m_ShowedCGFlags", u32(m_ShowedCGFlags.size())) && ok;
    std::vector<const std::pair<const GxString, s32>*> pictures;
    for (const auto& entry : m_ShowedCGFlags) pictures.push_back(&entry);
    std::sort(pictures.begin(), pictures.end(), [](auto* a, auto* b) { return a->first < b->first; });
    for (const auto* entry : pictures) {
        ok = w.Write("Key", entry->first) && ok;
        ok = w.Write("Value", entry->second) && ok;
    }
    ok = w.Write("m_ExtraOption", m_ExtraOption) && ok;
    if (g_pMoa()) g_pMoa()->WriteVariables(&w, kStoragePermanent);
    if (g_pMoaMainWorker()) g_pMoaMainWorker()->WriteVariables(&w, kStoragePermanent);
    GxCoreBase* core = Core();
    return (!core || core->CallModulesWritePermanent(&w)) && ok;
}

bool GxUserDataPerman::Save(const GxString& path, bool binary) {
    const bool saved = GxPersistFile::Write(
        path, binary, binary ? "BPD" : "TPD", kSaveWho, [&](GxContentWriterBase& w) { return WriteBody(w); },
        &m_Known, [&](const GxString& other) { return MergeFrom(other); });
    if (saved) m_Base = Current();
    return saved;
}

std::vector<u8> GxUserDataPerman::Serialized(const std::function<void(GxContentWriterBase&)>& write) {
    psys::memory_stream memory;
    if (!memory.stream()) return {};
    GxContentBinaryWriter writer(memory.stream());
    write(writer);
    return memory.bytes();
}

GxUserDataPerman::Stored GxUserDataPerman::Current() {
    Stored now;
    now.extraOption = m_ExtraOption;
    if (!Scripted()) return now;
    const std::vector<u8> bytes = Serialized([](GxContentWriterBase& w) {
        g_pMoa()->WriteVariables(&w, kStoragePermanent);
        g_pMoaMainWorker()->WriteVariables(&w, kStoragePermanent);
    });
    GxContentBinaryReader reader(bytes.data(), u32(bytes.size()), false);
    now.variables.Read(reader);
    return now;
}

GxPersistFile::MergeResult GxUserDataPerman::MergeFrom(const GxString& path, bool withoutBase) {
    using Result = GxPersistFile::MergeResult;
    GxBinBuffer buffer;
    std::unique_ptr<GxContentReaderBase> reader = GxPersistFile::Open(path, &buffer, "TPD", "BPD", kSaveWho, nullptr);
    GxUserDataPerman theirs(m_Core);
    Stored stored;
    if (!reader || !theirs.ReadTables(*reader)) return Result::Unreadable;
    stored.extraOption = theirs.m_ExtraOption;
    // Without a script nothing stands between the tables and the modules' data.
    if (Scripted() && (!stored.variables.Read(*reader) || reader->GetErrorCount() != 0)) return Result::Unreadable;
    const u32 rest = std::min(reader->GetRemainingBytes(), buffer.GetSize());
    const std::vector<u8> theirModules(buffer.GetData() + (buffer.GetSize() - rest), buffer.GetData() + buffer.GetSize());
    if (withoutBase) {
        // What both hold is all they can be said to have agreed on: a bit
        // either set stays set, and a variable either holds otherwise is one
        // both changed.
        m_Base = Stored{};
        m_Base.extraOption.m_Bits = m_ExtraOption.m_Bits & stored.extraOption.m_Bits;
    }

    // Flags only ever grow: whatever either copy set stands.
    bool added = false;
    for (const auto& [key, words] : theirs.m_ReadedMessageFlags)
        added |= GxMergeFlagWords(m_ReadedMessageFlags[key], words);
    for (const auto& [key, words] : theirs.m_SelectedMenuFlags)
        added |= GxMergeFlagWords(m_SelectedMenuFlags[key], words);
    for (const GxString& label : theirs.m_PassedReplayLabels) added |= m_PassedReplayLabels.insert(label).second;
    for (const auto& [name, value] : theirs.m_ShowedCGFlags) added |= m_ShowedCGFlags.emplace(name, value).second;
    // An extra option is set and cleared: each bit is this copy's where this
    // copy changed it, the other's elsewhere.
    const u32 mine = m_ExtraOption.m_Bits, changed = mine ^ m_Base.extraOption.m_Bits;
    m_ExtraOption.m_Bits = (mine & changed) | (stored.extraOption.m_Bits & ~changed);
    added |= m_ExtraOption.m_Bits != mine;

    const Stored now = Current();
    GxMoaStoredVariables taken;
    GxString both;
    for (const auto& [key, record] : stored.variables.m_Records) {
        const auto own = now.variables.m_Records.find(key);
        const auto base = m_Base.variables.m_Records.find(key);
        const auto same = [](const GxMoaVariableSet& a, const GxMoaVariableSet& b) {
            return a.m_Scope == b.m_Scope && a.m_Value.SameAs(b.m_Value);
        };
        if (own != now.variables.m_Records.end() && same(own->second, record)) continue;
        const bool ownUnchanged = own == now.variables.m_Records.end() ||
                                  (base != m_Base.variables.m_Records.end() && same(base->second, own->second));
        const bool theirsUnchanged = base != m_Base.variables.m_Records.end() && same(base->second, record);
        if (ownUnchanged) taken.m_Records.emplace(key, record);
        else if (!theirsUnchanged) both += (both.empty() ? u"" : u",") + key.name;
    }
    if (!taken.m_Records.empty()) {
        const std::vector<u8> bytes = Serialized([&](GxContentWriterBase& w) { taken.Write(w); });
        GxContentBinaryReader section(bytes.data(), u32(bytes.size()), true);
        g_pMoa()->ReadVariables(&section, kStoragePermanent);
        g_pMoaMainWorker()->ReadVariables(&section, kStoragePermanent);
    }
    // The modules' data is theirs to merge; this copy's is written, and the
    // other's file kept, where the two differ (a text file's always, where
    // either holds any).
    GxCoreBase* core = Core();
    const std::vector<u8> ownModules =
        core ? Serialized([&](GxContentWriterBase& w) { core->CallModulesWritePermanent(&w); }) : std::vector<u8>();
    const bool text = buffer.GetHeadByte() == 'T';
    const u32 left = reader->PeekValueType();
    const bool theirsLeft = left != kGxValEndOfData && left != 0;
    const bool modulesDiffer = text ? theirsLeft || !ownModules.empty() : theirModules != ownModules;
    added |= !taken.m_Records.empty();
    m_Base = std::move(stored);
    if (!added && both.empty() && !modulesDiffer) return Result::HadItAll;
    GxWriteErrorLog(u"%s/他のコピーが書き込んだ内容を合わせました(%s)\n", kSaveWho, path);
    if (both.empty() && !modulesDiffer) return Result::Merged;
    GxWriteErrorLog(u"%s/両方のコピーが変更した値はこのコピーのものを書き込みます(%s%s)\n", kSaveWho, both,
                    modulesDiffer ? (both.empty() ? u"modules" : u",modules") : u"");
    return Result::PartlyMerged;
}

bool GxUserDataPerman::ReadTables(GxContentReaderBase& r) {
    if (!ReadFlagMap(r, "m_ReadedMessageFlags", &m_ReadedMessageFlags)) return false;
    if (!ReadFlagMap(r, "m_SelectedMenuFlags", &m_SelectedMenuFlags)) return false;
    u32 count = 0;
    if (!GxPersistFile::ReadCount(r, "m_PassedReplayLabels", GxPersistFile::kMinValueBytes, kWho, &count)) return false;
    for (u32 i = 0; i < count; ++i) {
        GxString label;
        if (!r.Read("Key", &label)) return false;
        m_PassedReplayLabels.insert(std::move(label));
    }
    if (!GxPersistFile::ReadCount(r, "m_ShowedCGFlags", GxPersistFile::kMinValueBytes, kWho, &count)) return false;
    for (u32 i = 0; i < count; ++i) {
        GxString key;
        s32 value = 0;
        if (!r.Read("Key", &key) || !r.Read("Value", &value)) return false;
        m_ShowedCGFlags[std::move(key)] = value;
    }
    return r.Read("m_ExtraOption", &m_ExtraOption);
}

bool GxUserDataPerman::Load(const GxString& path) {
    const bool loaded = LoadFile(path);
    m_Base = Current();
    MergeHeldAtStart(path);
    return loaded;
}

void GxUserDataPerman::MergeHeldAtStart(const GxString& path) {
    using Result = GxPersistFile::MergeResult;
    if (m_HeldAtStart.empty()) return;
    std::vector<psys::held_file> held = std::move(m_HeldAtStart);
    m_HeldAtStart.clear();
    std::vector<Result> results;
    bool write = false;
    for (const psys::held_file& file : held) {
        results.push_back(MergeFrom(GxFromUtf8(file.path), true));
        write = write || results.back() != Result::HadItAll;
    }
    // Until the merged file stands, the held ones are where their contents
    // are on the disk: they stay held if it cannot be written.
    if (write && !Save(path, true)) return;
    for (size_t i = 0; i < held.size(); ++i) {
        if (results[i] == Result::HadItAll || results[i] == Result::Merged) {
            psys::drop_held(held[i]);
            continue;
        }
        GxPersistFile::KeepHeld(held[i], results[i] == Result::Unreadable, kWho);
    }
}

bool GxUserDataPerman::LoadFile(const GxString& path) {
    GxBinBuffer buffer;
    std::unique_ptr<GxContentReaderBase> reader = GxPersistFile::Open(path, &buffer, "TPD", "BPD", kWho, &m_Known);
    if (!reader) return false;
    m_ReadedMessageFlags.clear();
    m_SelectedMenuFlags.clear();
    m_PassedReplayLabels.clear();
    m_ShowedCGFlags.clear();
    bool whole = ReadTables(*reader);
    bool modulesOk = true;
    if (whole) {
        if (g_pMoa()) g_pMoa()->ReadVariables(reader.get(), kStoragePermanent);
        if (g_pMoaMainWorker()) g_pMoaMainWorker()->ReadVariables(reader.get(), kStoragePermanent);
        GxCoreBase* core = Core();
        modulesOk = !core || core->CallModulesReadPermanent(reader.get());
        // Bytes after the last value are no damage: whatever wrote them, the
        // data itself was read whole.
        whole = reader->GetErrorCount() == 0;
    }
    if (!whole)
        GxWriteErrorLog(u"GxUserDataPerman::Load/ファイルの一部を読み込めませんでした。読めた部分から始めます(%s)\n", path);
    if (!whole || !modulesOk) m_Known.MarkUnread(path);
    return whole && modulesOk;
}
