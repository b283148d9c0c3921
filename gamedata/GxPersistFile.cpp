#include "gamedata/GxPersistFile.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "io/GxFileSystem.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"

#include <utility>
#include <vector>

void GxPersistFile::KnownFiles::Saw(const GxString& path, const psys::file_status* status) {
    m_Seen[path] = status ? std::optional<psys::file_status>(*status) : std::nullopt;
}

void GxPersistFile::KnownFiles::SawAsItStands(const GxString& path) {
    psys::file_status status;
    const bool present = psys::status_of(GxToNativePath(path), &status);
    Saw(path, present ? &status : nullptr);
}

bool GxPersistFile::KnownFiles::ChangedSince(const GxString& path, const psys::file_status* now) const {
    const auto it = m_Seen.find(path);
    if (it == m_Seen.end()) return false;
    if (!it->second || !now) return it->second.has_value() != (now != nullptr);
    return !psys::same_file(*it->second, *now);
}

namespace {

// A file another copy of the game writes between this holder's merge and its
// own write is merged on the next turn; after this many turns (copies that
// keep writing in step) it is kept instead.
constexpr int kMergeTurns = 32;

// Writes the header and the body into the file; false, with the failure
// logged and the file abandoned, when the body refused or the file could not
// be made.
bool WriteBody(psys::safe_file& file, const GxString& path, bool binary, const char* magic, const GxChar* who,
               const std::function<bool(GxContentWriterBase&)>& body) {
    if (!file.open(GxToNativePath(path))) {
        GxWriteErrorLog(u"%s/ファイルを作成できませんでした(%s:%s)\n", who, path, GxFromUtf8(file.error()));
        return false;
    }
    bool ok;
    {
        std::unique_ptr<GxContentWriterBase> writer;
        if (binary) writer = std::make_unique<GxContentBinaryWriter>(file.stream());
        else writer = std::make_unique<GxContentTextWriter>(file.stream());
        ok = writer->WriteHeader(magic, GxPersistFile::kVersion);
        ok = body(*writer) && ok;
        ok = ok && writer->GetErrorCount() == 0;
    }
    // A write the disk refused fails the body too: that is told by the commit,
    // with the system's reason.
    if (!ok && !std::ferror(file.stream())) {
        // What the body refused is not worth a file: the old one stays, and
        // the caller's failure is told, as the others are.
        GxWriteErrorLog(u"%s/ファイルの書き込みを取りやめました(%s)\n", who, path);
        file.abandon();
        return false;
    }
    return true;
}

} // namespace

psys::settle_notes GxPersistFile::Notes(const GxChar* who) {
    const GxString by = who;
    return [by](const psys::settle_note& n) {
        using kind = psys::settle_note::kind;
        const GxString path = GxFromUtf8(n.path), target = GxFromUtf8(n.target), why = GxFromUtf8(n.why);
        switch (n.what) {
        case kind::keeping:
            if (n.start)
                GxWriteErrorLog(u"%s/書き込みの途中で残されたファイルを%sとして残しました\n", by, target);
            else if (target.ends_with(u".damaged"))
                GxWriteErrorLog(u"%s/読み込めなかったファイルを%sとして残しました\n", by, target);
            else
                GxWriteErrorLog(u"%s/読み込んだ後に書き換えられていたファイルを%sとして残しました\n", by, target);
            break;
        case kind::keep_failed:
            GxWriteErrorLog(u"%s/ファイルを%sとして残せませんでした。%sのまま残します(%s)\n", by, target, path, why);
            break;
        case kind::no_name:
            GxWriteErrorLog(n.start ? u"%s/書き込みの途中で残されたファイルを残せないため、%sのまま残しました\n"
                                    : u"%s/書き換えられていたファイルを残せないため、%sのまま残しました\n",
                            by, path);
            break;
        case kind::put_back:
            GxWriteErrorLog(u"%s/書き込みの途中で残されたファイルを%sに戻しました\n", by, target);
            break;
        case kind::beyond_limit:
            GxWriteErrorLog(u"%s/読み込めなかったファイルは既に%s個残してあるため、これ以上残しませんでした(%s)\n", by,
                            why, target);
            break;
        case kind::failed:
            GxWriteErrorLog(u"%s/書き込みの途中で残されたファイルを片付けられませんでした(%s:%s)\n", by, path, why);
            break;
        case kind::same_bytes:
            GxWriteDebugLog(u"%s/同じ内容が%sにあるファイルを削除しました(%s)\n", by, target, path);
            break;
        case kind::temporary:
            GxWriteDebugLog(u"%s/書きかけの一時ファイルを削除しました(%s)\n", by, path);
            break;
        case kind::orphan:
            GxWriteDebugLog(u"%s/対になるファイルがないため削除しました(%s)\n", by, path);
            break;
        }
    };
}

bool GxPersistFile::Write(const GxString& path, bool binary, const char* magic, const GxChar* who,
                          const std::function<bool(GxContentWriterBase&)>& body, KnownFiles* known,
                          const Merge& merge, Outcome* outcome, const BeforeCommit& beforeCommit,
                          const GxString& keptBeside) {
    const std::string native = GxToNativePath(path);
    if (outcome) *outcome = Outcome{};
    psys::file_status status;
    const bool present = psys::status_of(native, &status);
    // A file that stands there but does not open was never read, by a load
    // or anything else: it is kept as one whose load failed.
    if (known && !known->IsUnread(path) && present && !psys::can_open_for_reading(native)) {
        GxWriteErrorLog(u"%s/ファイルを読み込めませんでした(%s)\n", who, path);
        known->MarkUnread(path);
    }
    // What another copy wrote since this holder read the file is merged
    // before the write, so that the file never stands without it. A file
    // that merged only in part is kept when this write replaces it.
    bool keepWhole = false;
    psys::file_status partly;
    if (known && merge && present && !known->IsUnread(path) && known->ChangedSince(path, &status)) {
        const MergeResult merged = merge(path);
        if (merged == MergeResult::Unreadable) known->MarkUnread(path);
        else known->Saw(path, &status);
        if (merged == MergeResult::PartlyMerged) {
            keepWhole = true;
            partly = status;
        }
    }
    // Files another copy wrote in the moment of a write, merged into the
    // next one, are held until that one stands: until then they are the only
    // place their contents are on the disk.
    std::vector<psys::held_file> carried;
    const auto failed = [&] {
        // Kept rather than left held: no later write of this copy carries them.
        for (const psys::held_file& h : carried) KeepHeld(h, false, who, keptBeside);
        return false;
    };
    for (int turn = 1;; ++turn) {
        psys::safe_file file;
        if (!WriteBody(file, path, binary, magic, who, body)) return failed();
        // Where this copy holds the save folder's lock and finds the file as
        // it saw it, what it replaces is its own older file.
        if (known)
            file.hold_replaced([&](const psys::file_status* now) {
                return !known->IsUnread(path) && !keepWhole && !known->ChangedSince(path, now);
            });
        if (beforeCommit && (!file.prepare() || !beforeCommit(file))) {
            if (!file.error().empty())
                GxWriteErrorLog(u"%s/ファイルの書き込みに失敗しました(%s:%s)\n", who, path, GxFromUtf8(file.error()));
            file.abandon();
            return failed();
        }
        if (!file.commit()) {
            GxWriteErrorLog(u"%s/ファイルの書き込みに失敗しました(%s:%s)\n", who, path, GxFromUtf8(file.error()));
            return failed();
        }
        if (!known) return true;
        if (outcome) outcome->held = outcome->held || file.held_any();
        // The write that carries them stands (and its folder was synced).
        for (const psys::held_file& h : std::exchange(carried, {})) psys::drop_held(h);
        bool again = false;
        for (const psys::held_file& held : file.take_held()) {
            const bool seen = !known->ChangedSince(path, &held.status);
            const bool whole = keepWhole && psys::same_file(partly, held.status);
            if (seen && known->IsUnread(path)) {
                KeepHeld(held, true, who, keptBeside);
            } else if (seen && !whole) {
                psys::drop_held(held);
            } else if (merge && !whole && turn < kMergeTurns) {
                // Written by another copy in the moment of this write: what
                // it holds is merged and written again.
                const MergeResult merged = merge(GxFromUtf8(held.path));
                if (merged == MergeResult::HadItAll) psys::drop_held(held);
                else if (merged == MergeResult::Merged) carried.push_back(held);
                else KeepHeld(held, merged == MergeResult::Unreadable, who, keptBeside);
                // What stands at the path already holds all that was merged
                // unless the merge added something.
                again = again || merged == MergeResult::Merged || merged == MergeResult::PartlyMerged;
            } else {
                const u32 kept = KeepHeld(held, false, who, keptBeside);
                if (outcome && kept) outcome->keptNumber = kept;
            }
        }
        known->ClearUnread(path);
        known->Saw(path, &file.written());
        keepWhole = false;
        if (!again) return true;
    }
}

u32 GxPersistFile::KeepHeld(const psys::held_file& held, bool damaged, const GxChar* who, const GxString& beside) {
    psys::keep_rule rule;
    rule.why = damaged ? "damaged" : "changed";
    rule.limit = damaged ? kMaxKeptFiles : kMaxChangedFiles;
    // Only a changed save is kept beside its thumbnail: a damaged one's
    // thumbnail is of no save that loads.
    if (!damaged && !beside.empty()) rule.beside = GxToNativePath(beside);
    return psys::keep_held(held, rule, Notes(who)).number;
}

GxString GxPersistFile::KeptFilePath(const GxString& path, u32 n, const GxChar* why) {
    return GxFromUtf8(psys::kept_name(GxToNativePath(path), n, GxToUtf8(why).c_str()));
}

std::unique_ptr<GxContentReaderBase> GxPersistFile::Open(const GxString& path, GxBinBuffer* buffer,
                                                         const char* textMagic, const char* binaryMagic,
                                                         const GxChar* who, KnownFiles* known, bool* notRead) {
    // Only a path where nothing stands is a file not made yet; anything else
    // that does not read is a file this run must not write over unkept.
    psys::file_status status;
    const bool present = psys::status_of(GxToNativePath(path), &status);
    if (known) known->Saw(path, present ? &status : nullptr);
    if (!present) return nullptr;
    const auto refuse = [&] {
        if (known) known->MarkUnread(path);
        return nullptr;
    };
    if (status.kind == psys::file_kind::regular && status.size > kMaxFileBytes) {
        GxWriteErrorLog(u"%s/ファイルが大きすぎるため読み込みません(%s:%I64u)\n", who, path, status.size);
        if (notRead) *notRead = true;
        return refuse();
    }
    // Held to the limit again as it is read: the file may have grown since.
    if (!GxLoadFile(buffer, path, false, true, u32(kMaxFileBytes))) {
        GxWriteErrorLog(u"%s/ファイルを読み込めませんでした(%s)\n", who, path);
        if (notRead) *notRead = true;
        return refuse();
    }
    if (buffer->GetSize() == 0) return nullptr;
    std::unique_ptr<GxContentReaderBase> reader;
    const char* magic = binaryMagic;
    if (textMagic && buffer->GetHeadByte() == 'T') {
        reader = std::make_unique<GxContentTextReader>(*buffer, true);
        magic = textMagic;
    } else {
        reader = std::make_unique<GxContentBinaryReader>(*buffer, true);
    }
    reader->SetSourceName(path);
    u32 version = 0;
    if (!reader->ReadHeader(magic, &version)) return refuse();
    return reader;
}

namespace {
bool CheckCount(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who, u32 n, u32* count) {
    if (u64(n) * minBytes > reader.GetRemainingBytes()) {
        GxWriteErrorLog(u"%s/要素数が不正です(%S:%u)\n", who, name, n);
        return false;
    }
    *count = n;
    return true;
}
} // namespace

bool GxPersistFile::ReadCount(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who,
                              u32* count) {
    *count = 0;
    u32 n = 0;
    return reader.Read(name, &n) && CheckCount(reader, name, minBytes, who, n, count);
}

bool GxPersistFile::ReadListBegin(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who,
                                  u32* count) {
    *count = 0;
    u32 n = 0;
    return reader.ReadListBegin(name, &n) && CheckCount(reader, name, minBytes, who, n, count);
}

bool GxPersistFile::SkipToEnd(GxContentReaderBase& reader, u32 beginCode, u32 endCode) {
    u32 depth = 0;
    for (;;) {
        const u32 code = reader.PeekValueType();
        // The binary forms answer 255 at the end, the text form 0.
        if (code == kGxValEndOfData || code == 0) return false;
        if (code == endCode && depth == 0) return reader.SkipValue();
        if (code == beginCode) ++depth;
        else if (code == endCode) --depth;
        if (!reader.SkipValue()) return false;
    }
}
