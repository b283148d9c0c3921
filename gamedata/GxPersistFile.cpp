#include "gamedata/GxPersistFile.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "io/GxFileSystem.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"

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

// Keeps the file the commit replaced under path's kept names of the kind;
// the number of the name it took, or 0: with a line saying why not, unless
// the same bytes stand already (nothing is lost).
u32 KeepReplaced(psys::safe_file& file, const GxString& path, bool damaged, const GxChar* who,
                 const GxString& beside) {
    const GxChar* why = damaged ? u"damaged" : u"changed";
    const u32 names = damaged ? GxPersistFile::kMaxKeptFiles : GxPersistFile::kMaxChangedFiles;
    u32 number = 0;
    bool identical = false;
    // The line goes first: a writer ended right after the move has said it.
    const std::string kept = file.keep_replaced(
        [&](unsigned n) {
            const std::string name = GxToNativePath(GxPersistFile::KeptFilePath(path, n, why));
            // A free number whose name beside is taken (by anything: what
            // another user planted there need not give way) would part this
            // file from the one kept with it. A taken one is still looked at,
            // for the same bytes kept there already.
            if (!damaged && !beside.empty() && !psys::anything_at(name) &&
                psys::anything_at(GxToNativePath(GxPersistFile::KeptFilePath(beside, n, why))))
                return std::string();
            number = n;
            return name;
        },
        names, &identical,
        [&](const std::string& aside) {
            GxWriteErrorLog(damaged ? u"%s/読み込めなかったファイルを%sとして残しました\n"
                                    : u"%s/読み込んだ後に書き換えられていたファイルを%sとして残しました\n",
                            who, GxFromUtf8(aside));
        });
    if (!kept.empty()) return number;
    if (identical) return 0;
    if (damaged && file.error().empty()) {
        GxWriteErrorLog(u"%s/読み込めなかったファイルは既に%u個残してあるため、これ以上残しませんでした(%s)\n", who,
                        GxPersistFile::kMaxKeptFiles, path);
        file.drop_replaced();
        return 0;
    }
    // Another copy's bytes are never removed: where no name is free they
    // stay under the name they were held under, which a start keeps too.
    GxWriteErrorLog(u"%s/書き換えられていたファイルを残せないため、%sのまま残しました(%s)\n", who,
                    GxFromUtf8(file.replaced_path()), file.error().empty() ? u"no name free" : GxFromUtf8(file.error()));
    return 0;
}

} // namespace

void GxPersistFile::KnownFiles::Committed(const GxString& path, const psys::safe_file& file, const GxChar* who) {
    m_StuckTokens[path] = file.stuck_token();
    if (file.note().empty() || !m_Noted.insert(path).second) return;
    GxWriteErrorLog(u"%s/書き込みの順番を取れないまま書き込みました(%s)\n", who, GxFromUtf8(file.note()));
}

void GxPersistFile::KnownFiles::Prepare(const GxString& path, psys::safe_file& file) const {
    const auto it = m_StuckTokens.find(path);
    if (it != m_StuckTokens.end()) file.set_stuck_token(it->second);
}

bool GxPersistFile::Write(const GxString& path, bool binary, const char* magic, const GxChar* who,
                          const std::function<bool(GxContentWriterBase&)>& body, KnownFiles* known,
                          const Merge& merge, u32* keptNumber, const BeforeCommit& beforeCommit,
                          const GxString& keptBeside) {
    const std::string native = GxToNativePath(path);
    if (keptNumber) *keptNumber = 0;
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
    // A file another copy wrote in the moment of a write, merged into the
    // next one, is held until that one stands: until then it is the only
    // place its contents are on the disk.
    std::unique_ptr<psys::safe_file> carried;
    const auto keepCarried = [&] {
        if (carried) KeepReplaced(*carried, path, false, who, keptBeside);
    };
    for (int turn = 1;; ++turn) {
        auto file = std::make_unique<psys::safe_file>();
        if (!WriteBody(*file, path, binary, magic, who, body)) {
            keepCarried();
            return false;
        }
        if (known) {
            file->hold_replaced();
            known->Prepare(path, *file);
        }
        if (beforeCommit && (!file->prepare() || !beforeCommit(file->written()))) {
            if (!file->error().empty())
                GxWriteErrorLog(u"%s/ファイルの書き込みに失敗しました(%s:%s)\n", who, path, GxFromUtf8(file->error()));
            file->abandon();
            keepCarried();
            return false;
        }
        if (!file->commit()) {
            GxWriteErrorLog(u"%s/ファイルの書き込みに失敗しました(%s:%s)\n", who, path, GxFromUtf8(file->error()));
            keepCarried();
            return false;
        }
        if (!known) return true;
        known->Committed(path, *file, who);
        if (carried) carried->drop_replaced();
        carried.reset();
        bool again = false;
        if (file->has_replaced()) {
            const psys::file_status& replaced = file->replaced();
            const bool seen = !known->ChangedSince(path, &replaced);
            const bool whole = keepWhole && psys::same_file(partly, replaced);
            if (seen && known->IsUnread(path)) {
                KeepReplaced(*file, path, true, who, keptBeside);
            } else if (seen && !whole) {
                file->drop_replaced();
            } else if (merge && !whole && turn < kMergeTurns) {
                // Written by another copy in the moment of this write: what
                // it holds is merged and written again.
                const MergeResult merged = merge(GxFromUtf8(file->replaced_path()));
                if (merged == MergeResult::HadItAll) file->drop_replaced();
                else if (merged != MergeResult::Merged)
                    KeepReplaced(*file, path, merged == MergeResult::Unreadable, who, keptBeside);
                // What stands at the path already holds all that was merged
                // unless the merge added something.
                again = merged == MergeResult::Merged || merged == MergeResult::PartlyMerged;
                if (merged == MergeResult::Merged) carried = std::move(file);
            } else {
                const u32 kept = KeepReplaced(*file, path, false, who, keptBeside);
                if (keptNumber) *keptNumber = kept;
            }
        }
        known->ClearUnread(path);
        known->Saw(path, &(carried ? carried : file)->written());
        keepWhole = false;
        if (!again) return true;
    }
}

GxString GxPersistFile::KeptFilePath(const GxString& path, u32 n, const GxChar* why) {
    return n <= 1 ? path + u"." + why : path + GxFormat(u".%u.%s", n, why);
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
