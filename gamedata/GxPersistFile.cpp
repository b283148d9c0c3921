#include "gamedata/GxPersistFile.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "io/GxFileSystem.h"
#include "io/GxRefusedFile.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

void GxPersistFile::KnownFiles::Saw(const GxString& path, const psys::file_status* status, const std::string& mark) {
    m_Seen[path] = {status ? std::optional<psys::file_status>(*status) : std::nullopt, status ? mark : std::string()};
}

void GxPersistFile::KnownFiles::SawRead(const GxString& path, const psys::file_status& status, const std::string& mark) {
    psys::file_status now;
    const bool same = !mark.empty() && psys::status_of(GxToNativePath(path), &now) && psys::same_file(status, now);
    Saw(path, &status, same ? mark : std::string());
}

// Seen with its bytes' mark: a file system that sets a file's times when
// it is moved (fusefat) leaves the player's own file known by its bytes,
// not kept as another's when the next write takes it.
void GxPersistFile::KnownFiles::SawAsItStands(const GxString& path) {
    const std::string native = GxToNativePath(path);
    psys::file_status status;
    if (!psys::status_of(native, &status)) return Saw(path, nullptr);
    // One too large to be read is never the player's to load either.
    const bool readable = status.kind == psys::file_kind::regular && status.size <= kMaxFileBytes;
    SawRead(path, status, readable ? psys::mark_of_file(native) : std::string());
    m_Seen[path].unjudged = true;
}

bool GxPersistFile::KnownFiles::Unjudged(const GxString& path) const {
    const auto it = m_Seen.find(path);
    if (it == m_Seen.end() || !it->second.unjudged) return false;
    const std::string native = GxToNativePath(path);
    psys::file_status now;
    return psys::status_of(native, &now) && !ChangedSince(path, &now, native);
}

std::string GxPersistFile::KnownFiles::MarkOf(const GxString& path, const psys::file_status& status) const {
    const auto it = m_Seen.find(path);
    if (it == m_Seen.end() || !it->second.status || !psys::same_file(*it->second.status, status)) return {};
    return it->second.mark;
}

bool GxPersistFile::KnownFiles::ChangedSince(const GxString& path, const psys::file_status* now,
                                             const std::string& at) const {
    const auto it = m_Seen.find(path);
    if (it == m_Seen.end()) return false;
    const Seen& seen = it->second;
    if (!seen.status || !now) return seen.status.has_value() != (now != nullptr);
    if (psys::same_file(*seen.status, *now)) return false;
    // Taking another's file for this holder's own would drop it: only its
    // very bytes pass.
    return seen.mark.empty() || at.empty() || !psys::bears_mark(at, seen.mark);
}

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
        case kind::name_taken:
            GxWriteErrorLog(u"%s/先に別のファイルが置かれたため、%sとしては残しませんでした\n", by, target);
            break;
        case kind::no_name:
            GxWriteErrorLog(n.start ? u"%s/書き込みの途中で残されたファイルを残せないため、%sのまま残しました\n"
                                    : u"%s/書き換えられていたファイルを残せないため、%sのまま残しました\n",
                            by, path);
            break;
        case kind::put_back:
            GxWriteErrorLog(u"%s/書き込みの途中で残されたファイルを%sに戻しました\n", by, target);
            break;
        case kind::finished:
            GxWriteDebugLog(u"%s/書き込みの途中で終わっていたファイルを%sに置きました(%s)\n", by, target, path);
            break;
        case kind::beyond_limit:
            GxWriteErrorLog(u"%s/読み込めなかったファイルは既に%s個残してあるため、これ以上残しませんでした(%s)\n", by,
                            why, target);
            break;
        case kind::failed:
            GxWriteErrorLog(u"%s/書き込みの途中で残されたファイルを片付けられませんでした(%s:%s)\n", by, path, why);
            break;
        case kind::unsynced:
            GxWriteErrorLog(u"%s/セーブフォルダの変更がディスクに書き込まれたか確かめられませんでした。"
                            u"電源が切れると元に戻ることがあります(%s:%s)\n",
                            by, path, why);
            break;
        case kind::same_bytes:
            GxWriteDebugLog(u"%s/同じ内容が%sにあるファイルを削除しました(%s)\n", by, target, path);
            break;
        case kind::second_name:
            GxWriteDebugLog(u"%s/%sと同じファイルの別の名前を削除しました(%s)\n", by, target, path);
            break;
        case kind::temporary:
            GxWriteDebugLog(u"%s/終わらなかった書き込みの一時ファイルを削除しました(%s)\n", by, path);
            break;
        case kind::token:
            GxWriteDebugLog(u"%s/前の版が書き込み中に置いた印を削除しました(%s)\n", by, path);
            break;
        case kind::orphan:
            GxWriteDebugLog(u"%s/対になるファイルがないため削除しました(%s)\n", by, path);
            break;
        case kind::twin:
            GxWriteDebugLog(u"%s/対になるファイルが既に%sにあるため削除しました(%s)\n", by, target, path);
            break;
        case kind::gone:
            GxWriteDebugLog(u"%s/残すはずだったファイルは他の起動か書き込みが既に片付けていました(%s)\n", by, path);
            break;
        case kind::narrowed:
            GxWriteDebugLog(u"%s/フォルダに書き込めない人が読み書きできないようにしました(%s)\n", by, path);
            break;
        case kind::unjudged:
            GxWriteErrorLog(u"%s/このユーザー名前空間では持ち主が分からないファイルを、プレイヤーのものとして扱います(%s)\n",
                            by, path);
            break;
        }
    };
}

namespace {

// The reason of the last write that failed, for the game's notice, and
// whether its file took its name all the same.
GxString g_FailureForPlayer;
bool g_FailedWriteStands = false;

} // namespace

GxString GxPersistFile::FailureForPlayer() { return g_FailureForPlayer; }
bool GxPersistFile::FailedWriteStands() { return g_FailedWriteStands; }
void GxPersistFile::SetFailureForPlayer(const GxString& reason, bool stands) {
    g_FailureForPlayer = reason;
    g_FailedWriteStands = !reason.empty() && stands;
}

void GxPersistFile::LogFailedWrite(const GxChar* who, const GxString& path, const psys::safe_file& file) {
    // One that took its name stands: the log says so, as the screen does.
    if (file.placed())
        GxWriteErrorLog(u"%s/ファイルを書き込みましたが、ディスクへの書き込みを確かめられませんでした(%s:%s)\n", who, path,
                        GxFromUtf8(file.error()));
    else
        GxWriteErrorLog(u"%s/ファイルの書き込みに失敗しました(%s:%s)\n", who, path, GxFromUtf8(file.error()));
}

GxString GxPersistFile::ReasonForPlayer(const std::string& step, int err, bool placed) {
    // The file stands; only whether its name outlives a power cut is not
    // known (its folder's sync failed, or a step reported an error it had
    // acted all the same).
    if (placed) return u"ディスクへの書き込みを確かめられませんでした";
    if (err == EROFS) return u"セーブフォルダが読み取り専用です";
    if (err == EACCES || err == EPERM) return u"セーブフォルダに書き込む権限がありません";
    if (err == ENOSPC || err == EDQUOT || err == EFBIG) return u"ディスクの空きが足りません";
    if (err == EIO) return u"ディスクへの書き込みに失敗しました";
    if (step == "sync" || step == "sync folder") return u"ディスクへの書き込みを確かめられませんでした";
    return GxFormat(u"ファイルを書き込めませんでした(%s)", GxFromUtf8(std::strerror(err)));
}

bool GxPersistFile::RefuseStranger(const GxString& path, const GxChar* who, KnownFiles* known, bool writing) {
    const psys::stranger s = psys::stranger_at(GxToNativePath(path));
    if (s.what == psys::stranger::kind::none) {
        if (known) known->ClearRefusal(path);
        return true;
    }
    SayRefused(path, s, who, known, writing);
    return false;
}

void GxPersistFile::SayRefused(const GxString& path, const psys::stranger& s, const GxChar* who, KnownFiles* known,
                               bool writing) {
    if (!known || known->FirstRefusal(path)) GxLogRefusedFile(who, path, s);
    const GxString user = GxFromUtf8(s.user);
    if (writing)
        SetFailureForPlayer(s.what == psys::stranger::kind::others
                                ? GxFormat(u"他のユーザー(%s)のファイルがセーブファイルの名前にあります", user)
                                : GxString(u"読めないファイルがセーブファイルの名前にあります"));
}

namespace {

// A file another copy of the game writes between this holder's merge and its
// own write is merged on the next turn; after this many turns (copies that
// keep writing in step) it is kept instead.
constexpr int kMergeTurns = 32;

// One GxPersistFile::Write, turn by turn: each turn writes the file anew
// (a merge may ask for another) and settles what its commit held.
class PersistWrite {
public:
    using Merge = GxPersistFile::Merge;
    using MergeResult = GxPersistFile::MergeResult;
    PersistWrite(const GxString& path, const GxChar* who, GxPersistFile::KnownFiles* known, const Merge& merge,
                 GxPersistFile::Outcome* outcome, const GxString& keptBeside)
        : path_(path), native_(GxToNativePath(path)), who_(who), known_(known), merge_(merge), outcome_(outcome),
          keptBeside_(keptBeside) {}

    bool Run(bool binary, const char* magic, const std::function<bool(GxContentWriterBase&)>& body,
             const GxPersistFile::BeforeCommit& beforeCommit) {
        if (outcome_) *outcome_ = GxPersistFile::Outcome{};
        GxPersistFile::SetFailureForPlayer({});
        for (int turn = 1;; ++turn) {
            psys::safe_file file;
            if (!Open(file)) return false;
            if (turn == 1) SeeWhatStands(file.found());
            if (!WriteBody(file, binary, magic, body)) {
                const GxString why = file.error().empty()
                                         ? GxString(u"書き込む内容を用意できませんでした")
                                         : GxPersistFile::ReasonForPlayer(file.failed_step(), file.error_number());
                if (EarlierTurnStands()) return FailedAfterEarlierTurn(why, why);
                KeepCarried();
                GxPersistFile::SetFailureForPlayer(why);
                return false;
            }
            // Where this copy holds the save folder's lock and finds the file
            // as it saw it, what it replaces is its own older file.
            if (known_)
                file.hold_replaced([&](const psys::file_status* now) {
                    return !known_->IsUnread(path_) && !keepWhole_ && !known_->ChangedSince(path_, now, native_);
                });
            if (beforeCommit && (!file.prepare() || !beforeCommit(file))) {
                if (!file.error().empty()) return Failed(file);
                // The caller said why.
                file.abandon();
                const GxString why = GxPersistFile::FailureForPlayer();
                if (EarlierTurnStands()) return FailedAfterEarlierTurn(why, why);
                KeepCarried();
                return false;
            }
            if (!file.commit()) return Failed(file);
            if (!known_) {
                GxPersistFile::SetFailureForPlayer({});
                return true;
            }
            placed_ = true;
            if (outcome_) {
                outcome_->placed = true;
                outcome_->held = outcome_->held || file.held_any();
            }
            // The write that carries them stands (and its folder was synced).
            for (const psys::held_file& h : std::exchange(carried_, {})) psys::drop_held(h);
            bool again = false;
            const bool settled = SettleHeld(file, turn, &again);
            known_->ClearUnread(path_);
            known_->Saw(path_, &file.written(), file.mark());
            keepWhole_ = false;
            if (!settled) return false;
            if (!again) {
                GxPersistFile::SetFailureForPlayer({});
                return true;
            }
        }
    }

private:
    // The temporary file, made where what stands at the name is the
    // player's: what is not is neither read nor taken, and said.
    bool Open(psys::safe_file& file) {
        if (file.open(native_, true)) {
            if (known_) known_->ClearRefusal(path_);
            return true;
        }
        if (file.found().refused.what != psys::stranger::kind::none) {
            KeepCarried();
            GxPersistFile::SayRefused(path_, file.found().refused, who_, known_, true);
            GxWriteErrorLog(u"%s/ファイルの書き込みに失敗しました(%s:%s)\n", who_, path_, GxPersistFile::FailureForPlayer());
            return false;
        }
        const GxString why = GxPersistFile::ReasonForPlayer(file.failed_step(), file.error_number());
        if (EarlierTurnStands()) return FailedAfterEarlierTurn(GxFromUtf8(file.error()), why);
        KeepCarried();
        GxWriteErrorLog(u"%s/ファイルを作成できませんでした(%s:%s)\n", who_, path_, GxFromUtf8(file.error()));
        GxPersistFile::SetFailureForPlayer(why);
        return false;
    }

    // Whether the file an earlier turn of this write placed stands at the
    // name still (a later turn writes it again with another copy's file
    // merged): it is this holder's, whatever the later turn did.
    bool EarlierTurnStands() const {
        psys::file_status now;
        return placed_ && psys::status_of(native_, &now) && !known_->ChangedSince(path_, &now, native_);
    }

    // A later turn that failed before its file took the name: the earlier
    // turn's file stands, without what this one was to merge (kept).
    bool FailedAfterEarlierTurn(const GxString& why, const GxString& forPlayer) {
        SayEarlierTurnStands(why);
        GxPersistFile::SetFailureForPlayer(forPlayer, true);
        KeepCarried();
        return false;
    }
    void SayEarlierTurnStands(const GxString& why) {
        GxWriteErrorLog(u"%s/ファイルを書き込みましたが、他のコピーが書き込んだ内容を合わせて書き直せませんでした(%s:%s)\n",
                        who_, path_, why);
    }

    // Before the first turn's body: a file that stands there but does not
    // open was never read, by a load or anything else, and is kept as one
    // whose load failed; what another copy wrote since this holder read the
    // file is merged first, so that the file never stands without it (one
    // that merged only in part is kept when this write replaces it).
    void SeeWhatStands(const psys::standing_file& found) {
        if (!known_ || !found.present) return;
        if (!known_->IsUnread(path_) && !found.readable) {
            GxWriteErrorLog(u"%s/ファイルを読み込めませんでした(%s)\n", who_, path_);
            known_->MarkUnread(path_);
        }
        if (!merge_ || known_->IsUnread(path_) || !known_->ChangedSince(path_, &found.status, native_)) return;
        const MergeResult merged = merge_(path_);
        if (merged == MergeResult::Unreadable) known_->MarkUnread(path_);
        else known_->Saw(path_, &found.status);
        if (merged == MergeResult::PartlyMerged) {
            keepWhole_ = true;
            partly_ = found.status;
        }
    }

    // Writes the header and the body; false, said and the file abandoned,
    // where the body refused.
    bool WriteBody(psys::safe_file& file, bool binary, const char* magic,
                   const std::function<bool(GxContentWriterBase&)>& body) {
        bool ok;
        {
            std::unique_ptr<GxContentWriterBase> writer;
            if (binary) writer = std::make_unique<GxContentBinaryWriter>(file.stream());
            else writer = std::make_unique<GxContentTextWriter>(file.stream());
            ok = writer->WriteHeader(magic, GxPersistFile::kVersion);
            ok = body(*writer) && ok;
            ok = ok && writer->GetErrorCount() == 0;
        }
        // A write the disk refused fails the body too: that is told by the
        // commit, with the system's reason.
        if (!ok && !std::ferror(file.stream())) {
            // What the body refused is not worth a file: the old one stays,
            // and the caller's failure is told, as the others are.
            GxWriteErrorLog(u"%s/ファイルの書き込みを取りやめました(%s)\n", who_, path_);
            file.abandon();
            return false;
        }
        return true;
    }

    bool Failed(psys::safe_file& file) {
        // One whose file did not take the name may leave an earlier turn's.
        const bool stands = file.placed() || EarlierTurnStands();
        if (file.placed() || !stands) GxPersistFile::LogFailedWrite(who_, path_, file);
        else SayEarlierTurnStands(GxFromUtf8(file.error()));
        // What it took stays where it is held, for a start to settle.
        for (const psys::held_file& h : file.take_held())
            GxWriteErrorLog(u"%s/置き換えるはずだったファイルを%sのまま残しました\n", who_, GxFromUtf8(h.path));
        GxPersistFile::SetFailureForPlayer(
            GxPersistFile::ReasonForPlayer(file.failed_step(), file.error_number(), file.placed()), stands);
        KeepCarried();
        if (outcome_) {
            outcome_->placed = stands;
            outcome_->held = outcome_->held || file.held_any();
        }
        // A file that took its name is this holder's, whatever came after.
        if (known_ && file.placed()) {
            known_->ClearUnread(path_);
            known_->Saw(path_, &file.written(), file.mark());
        }
        return false;
    }

    // What the commit held: its own older file dropped, a damaged one kept
    // as such, another copy's merged and written again (again) or kept.
    // False, said, where something could not be kept: the new file stands,
    // what it could not keep stays held for a start (or took its kept name,
    // which may not outlive a power cut).
    bool SettleHeld(psys::safe_file& file, int turn, bool* again) {
        bool kept = true, keptUnsure = true;
        const auto keep = [&](const psys::held_file& held, bool damaged, u32* number = nullptr) {
            bool unsure = false;
            const bool ok = GxPersistFile::KeepHeld(held, damaged, who_, keptBeside_, number, &unsure);
            kept = ok && kept;
            keptUnsure = keptUnsure && (ok || unsure);
        };
        for (const psys::held_file& held : file.take_held()) {
            const bool seen = !known_->ChangedSince(path_, &held.status, held.path);
            const bool whole = keepWhole_ && psys::same_file(partly_, held.status);
            if (seen && known_->IsUnread(path_)) {
                u32 number = 0;
                keep(held, true, &number);
                if (outcome_ && number) {
                    outcome_->keptNumber = number;
                    outcome_->keptDamaged = true;
                }
            } else if (seen && !whole) {
                // One that stays (its removal failed) is kept by a start.
                if (psys::drop_held(held) && outcome_) outcome_->dropped = true;
            } else if (merge_ && !whole && turn < kMergeTurns) {
                // Written by another copy in the moment of this write: what
                // it holds is merged and written again.
                const MergeResult merged = merge_(GxFromUtf8(held.path));
                if (merged == MergeResult::HadItAll) psys::drop_held(held);
                else if (merged == MergeResult::Merged) carried_.push_back(held);
                else keep(held, merged == MergeResult::Unreadable);
                // What stands at the path already holds all that was merged
                // unless the merge added something.
                *again = *again || merged == MergeResult::Merged || merged == MergeResult::PartlyMerged;
            } else {
                u32 number = 0;
                keep(held, false, &number);
                if (outcome_ && number) outcome_->keptNumber = number;
            }
        }
        if (kept) return true;
        KeepCarried();
        const GxString why = keptUnsure ? GxString(u"ディスクへの書き込みを確かめられませんでした")
                                        : GxString(u"置き換えたファイルを残せませんでした");
        GxWriteErrorLog(u"%s/ファイルを書き込みましたが、%s(%s)\n", who_, why, path_);
        GxPersistFile::SetFailureForPlayer(why, true);
        return false;
    }

    // Files another copy wrote in the moment of a write, merged into the
    // next one, are held until that one stands: until then they are the
    // only place their contents are on the disk. Where no later write of
    // this copy carries them, they are kept.
    void KeepCarried() {
        for (const psys::held_file& h : std::exchange(carried_, {})) GxPersistFile::KeepHeld(h, false, who_, keptBeside_);
    }

    const GxString& path_;
    const std::string native_;
    const GxChar* who_;
    GxPersistFile::KnownFiles* known_;
    const Merge& merge_;
    GxPersistFile::Outcome* outcome_;
    const GxString& keptBeside_;
    std::vector<psys::held_file> carried_;
    // A turn's file took the name.
    bool placed_ = false;
    bool keepWhole_ = false;
    psys::file_status partly_;
};

} // namespace

bool GxPersistFile::Write(const GxString& path, bool binary, const char* magic, const GxChar* who,
                          const std::function<bool(GxContentWriterBase&)>& body, KnownFiles* known,
                          const Merge& merge, Outcome* outcome, const BeforeCommit& beforeCommit,
                          const GxString& keptBeside) {
    return PersistWrite(path, who, known, merge, outcome, keptBeside).Run(binary, magic, body, beforeCommit);
}

bool GxPersistFile::KeepHeld(const psys::held_file& held, bool damaged, const GxChar* who, const GxString& beside,
                             u32* number, bool* unsynced) {
    psys::keep_rule rule;
    rule.why = damaged ? "damaged" : "changed";
    rule.limit = damaged ? kMaxKeptFiles : kMaxChangedFiles;
    // A file larger than any the game writes is no copy of one it wrote:
    // telling it from another would cost reading both whole.
    rule.compared = kMaxFileBytes;
    // A save is kept beside its thumbnail, a damaged one too: its picture
    // still tells which play it was.
    if (!beside.empty()) rule.beside = GxToNativePath(beside);
    const psys::keep_result kept = psys::keep_held(held, rule, Notes(who));
    if (number) *number = kept.number;
    using outcome = psys::keep_result::outcome;
    if (unsynced) *unsynced = kept.what == outcome::kept && !kept.error.empty();
    return kept.error.empty() && kept.what != outcome::failed && kept.what != outcome::no_name;
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
    // A file that stands as this holder last saw it (at the start's look, or
    // as its own write left it) is known by its bytes already: a load costs
    // no second pass over them. ChangedSince trusts that status no less.
    const std::string seenMark = known && present ? known->MarkOf(path, status) : std::string();
    if (known) known->Saw(path, present ? &status : nullptr);
    // Not the player's: not read, not kept, not written over; said once.
    if (!RefuseStranger(path, who, known, false)) {
        if (notRead) *notRead = true;
        return nullptr;
    }
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
    if (known && !seenMark.empty()) known->Saw(path, &status, seenMark);
    else if (known) known->SawRead(path, status, psys::mark_of_bytes(buffer->GetData(), buffer->GetSize()));
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
