// Copies of the game writing one file of the save folder: ended at every
// step, met at every step by another copy's write, by a start or by a save
// put back from a backup, with the save folder's lock or with none, in
// every way of writing, with a step that fails, and cut off by a power
// loss; then a start. Whatever a copy finished writing stands, is kept
// beside its name or (the permanent data) is merged in; a write that fails
// says so and loses nothing; a thumbnail of any form goes with its save.
// The numbers cited (I1 ...) are the invariants of the design block at the
// head of platform/system/safe_file.h.
//
// Each copy runs in this process as it would in its own: once it is ended
// it takes no further step on the file system (each of its steps fails from
// then on, as if its process had gone), which is all an ending leaves of
// it. So a copy can be ended before any step, another copy's write put
// before any step of it, and a start run after, with no process made; the
// start has the ended writers' pid, which runs (the test's own), as a start
// in a pid namespace or after a reboot has.
#include "SaveGameFixture.h"

#include "base/GxLog.h"
#include "gamedata/GxPersistFile.h"
#include "platform/image/image.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace {

namespace fs = std::filesystem;
using FileBytes = std::vector<unsigned char>;
using psys::write_way;

// The ways a folder is given: the four a file system can do, and the link
// way of a server where a link of a file the copy did not itself write is
// refused (another user's file under the kernel's protected_hardlinks) and
// no move refuses to replace.
struct Way {
    write_way way;
    bool othersRefused = false;
    std::string Name() const {
        static const char* const kNames[] = {"exchange", "link", "move", "look"};
        return std::string(kNames[int(way)]) + (othersRefused ? " (others' files not linked)" : "");
    }
};
const Way kExchange{write_way::exchange}, kLink{write_way::link}, kMove{write_way::move}, kLook{write_way::look},
    kLinkRefused{write_way::link, true};
const std::vector<Way> kWays = {kExchange, kLink, kMove, kLook, kLinkRefused};
// Where the test command's sweep ends two copies at every pair of steps.
const std::vector<Way> kWaysOfTwo = {kExchange, kLink, kMove};

using gdtest::Picture;

// The first pixel of a PNG's bytes, each decoded once.
u32 FirstPixel(const FileBytes& png) {
    static std::map<FileBytes, u32> seen;
    const auto it = seen.find(png);
    return it != seen.end() ? it->second : seen[png] = gdtest::FirstPixel(png);
}

bool Is(const char* step, const char* name) { return std::strcmp(step, name) == 0; }

// Steps that change a name, the only ones at which another copy's write or
// an ending can make a difference to what names hold.
bool ChangesAName(const std::string& step) {
    return step == "open" || step == "link" || step == "exchange" || step == "rename" || step == "rename<" ||
           step == "move" || step == "unlink";
}

// The moments the protocol gives up (6.2, 6.3): a file another copy or
// program puts at the name just before the move that follows a look, or,
// where the copy holds the lock, before its one-step replace, is replaced.
// A step is named "rename<" where it moves a temporary file.
bool AcceptedMoment(const std::vector<std::string>& steps, int j, bool locked) {
    if (j < 2 || j > int(steps.size())) return false;
    const std::string& step = steps[size_t(j) - 1];
    return ((step == "rename" || step == "rename<") && steps[size_t(j) - 2] == "look") || (locked && step == "rename<");
}

// One copy of the game, or a start, as the steps it takes.
struct Copy {
    explicit Copy(std::string n) : name(std::move(n)) {}
    std::string name;
    int steps = 0;
    int pauseAt = 0, endAt = 0, failAt = 0;  // 0: never
    int failActs = 0;                        // the failing step acts all the same, and fails with this
    std::function<void()> meanwhile;
    bool ended = false;
    std::vector<std::string> stepNames;
    // What it put at a file's name, with the number of steps all copies had
    // taken by then.
    struct Commit {
        std::string name;
        FileBytes bytes;
        int at;
        int ownSteps;  // the copy's own steps by then
    };
    std::vector<Commit> commits;
    // The steps all copies had taken when its write returned true (-1: not
    // yet), what it returned, and the reason it gave the player.
    int returnedAt = -1;
    std::optional<bool> returned;
    std::string failure;
    std::string errors, debug;
};

// What the folder's names led to before each step, and the bytes each file
// had when last synced, for power cuts.
class PowerLog {
public:
    explicit PowerLog(fs::path dir) : dir_(std::move(dir)) {}
    ~PowerLog() {
        for (const auto& [ino, fd] : pinned_) close(fd);
    }
    using Listing = std::map<std::string, ino_t>;

    // The folder as it stands, every file in it kept from being freed (so
    // that no later file takes its number).
    Listing Look() {
        Listing names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            struct stat st {};
            const std::string path = entry.path().string();
            if (lstat(path.c_str(), &st) != 0) continue;
            names[entry.path().filename().string()] = st.st_ino;
            if (!pinned_.count(st.st_ino)) pinned_[st.st_ino] = open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
            if (!contents_.count(st.st_ino) && S_ISREG(st.st_mode) && before_.empty()) contents_[st.st_ino] = qtest::ReadBytes(path);
        }
        return names;
    }
    void Start() {
        before_.clear();
        before_.push_back(Look());
        syncs_.clear();
    }
    void Before() {
        // before_[k] is the folder before global step k (1-based).
        if (before_.size() == 1) before_.push_back(before_[0]);
        else before_.push_back(Look());
    }
    // A real fsync of the descriptor, made by the step just begun: a file's
    // bytes as they are now, or the folder's names as they were before it.
    void Synced(int fd) {
        struct stat st {};
        if (fstat(fd, &st) != 0) return;
        if (S_ISDIR(st.st_mode)) syncs_.push_back(int(before_.size()) - 1);
        else if (S_ISREG(st.st_mode)) contents_[st.st_ino] = qtest::ReadBytes("/proc/self/fd/" + std::to_string(fd));
    }
    void End() { before_.push_back(Look()); }
    int Steps() const { return int(before_.size()) - 2; }
    // The folders a power cut before step cut may leave: what the last
    // folder sync made durable, with any of the later changes of names kept
    // that do not rest on a change lost (one that touched a name or a file
    // it touches too: a file system keeps a file's count of names true),
    // each file holding its bytes as last synced (none, if never).
    std::vector<Listing> CrashStates(int cut) const {
        int last = 0;
        for (const int s : syncs_)
            if (s < cut) last = s;
        const Listing durable = last ? before_[last] : before_[0];
        struct Change {
            std::map<std::string, std::optional<ino_t>> names;
            std::set<ino_t> files;
        };
        std::vector<Change> changes;
        for (int k = std::max(last, 1); k < cut && k + 1 < int(before_.size()); ++k) {
            Change change;
            const Listing& a = before_[k];
            const Listing& b = before_[k + 1];
            for (const auto& [name, ino] : b)
                if (!a.count(name) || a.at(name) != ino) {
                    change.names[name] = ino;
                    change.files.insert(ino);
                    if (a.count(name)) change.files.insert(a.at(name));
                }
            for (const auto& [name, ino] : a)
                if (!b.count(name)) {
                    change.names[name] = std::nullopt;
                    change.files.insert(ino);
                }
            if (!change.names.empty()) changes.push_back(std::move(change));
        }
        const size_t n = changes.size();
        EXPECT_LE(n, 16u) << "changes not synced before step " << cut;
        const auto rests = [&](size_t i, size_t j) {
            for (const auto& [name, ino] : changes[i].names)
                if (changes[j].names.count(name)) return true;
            for (const ino_t file : changes[i].files)
                if (changes[j].files.count(file)) return true;
            return false;
        };
        std::vector<Listing> states;
        for (unsigned mask = 0; n <= 16 && mask < (1u << n); ++mask) {
            bool whole = true;
            for (size_t i = 0; i < n && whole; ++i)
                for (size_t j = 0; j < i && whole && (mask & (1u << i)); ++j)
                    whole = (mask & (1u << j)) || !rests(i, j);
            if (!whole) continue;
            Listing state = durable;
            for (size_t i = 0; i < n; ++i) {
                if (!(mask & (1u << i))) continue;
                for (const auto& [name, ino] : changes[i].names) {
                    if (ino) state[name] = *ino;
                    else state.erase(name);
                }
            }
            states.push_back(std::move(state));
        }
        return states;
    }
    // Makes the folder hold the state, each file with its synced bytes and
    // files of several names linked.
    void Make(const Listing& state) const {
        for (const auto& entry : fs::directory_iterator(dir_)) fs::remove_all(entry);
        std::map<ino_t, fs::path> made;
        for (const auto& [name, ino] : state) {
            const fs::path path = dir_ / name;
            if (made.count(ino)) {
                fs::create_hard_link(made[ino], path);
                continue;
            }
            const auto it = contents_.find(ino);
            qtest::WriteBytes(path, it == contents_.end() ? FileBytes() : it->second);
            chmod(path.c_str(), 0600);
            made[ino] = path;
        }
    }
    // Every whole version any file had.
    std::set<FileBytes> Versions() const {
        std::set<FileBytes> all;
        for (const auto& [ino, bytes] : contents_) all.insert(bytes);
        return all;
    }

private:
    fs::path dir_;
    std::vector<Listing> before_;
    std::vector<int> syncs_;
    std::map<ino_t, FileBytes> contents_;
    std::map<ino_t, int> pinned_;
};

// What the step hook sees: the folder's way of writing, refused as a file
// system without it refuses; the copy whose step it is.
struct SweepState {
    Way way;
    Copy* current = nullptr;
    int steps = 0;
    PowerLog* power = nullptr;
    bool running = false;
} g_Sweep;

int Refused(const Way& w, const char* step, const std::string& from) {
    const bool lacksLinks = w.way == write_way::move || w.way == write_way::look;
    if (Is(step, "exchange") && w.way != write_way::exchange) return EINVAL;
    if (Is(step, "link") && (lacksLinks || (w.othersRefused && !from.ends_with(".tmp")))) return EPERM;
    if (Is(step, "move") && (w.way == write_way::look || w.othersRefused)) return EINVAL;
    return 0;
}

int OnStep(const char* step, const std::string& path, const std::string& from) {
    SweepState& s = g_Sweep;
    // A read leaves nothing an end or a power cut could: copies end and
    // fail only at steps that act.
    if (Is(step, "read")) return 0;
    if (const int refused = Refused(s.way, step, from)) return refused;
    // Outside the look way a move after a look is taken only with the lock
    // (I2).
    if (Is(step, "look") && s.way.way != write_way::look && !psys::folder_locked(fs::path(path).parent_path().string())) {
        ADD_FAILURE() << "a move after a look without the lock, to " << path;
    }
    Copy* c = s.current;
    if (!c) return 0;
    if (c->ended) return EIO;
    if (Is(step, "committed")) {
        c->commits.push_back({fs::path(path).filename().string(), qtest::ReadBytes(path), s.steps, c->steps});
        return 0;
    }
    ++c->steps;
    if (c->steps == c->pauseAt && c->meanwhile) {
        std::exchange(c->meanwhile, nullptr)();
        s.current = c;
    }
    if (c->steps == c->endAt) {
        c->ended = true;
        return EIO;
    }
    c->stepNames.push_back(Is(step, "rename") && from.ends_with(".tmp") ? "rename<" : step);
    ++s.steps;
    // A step that fails changes nothing a power cut could keep.
    if (c->steps == c->failAt) return c->failActs ? -c->failActs : EIO;
    if (s.power) s.power->Before();
    return 0;
}

} // namespace

// Every fsync of the test program: while a sweep runs, its power cuts make
// the syncs, and a file's bytes or a folder's names count as synced only
// where the writer really called for it (a step counted without the call
// would pass for one); elsewhere the real one.
extern "C" int fsync(int fd) {
    if (!g_Sweep.running) return int(syscall(SYS_fsync, fd));
    if (g_Sweep.power) g_Sweep.power->Synced(fd);
    return 0;
}

namespace {

// The lines of the copy that runs, as long as it runs.
class CopyLines final : public GxDebugListenerBase {
public:
    void Output(const GxChar* line, int kind) override {
        Copy* c = g_Sweep.current;
        if (!c || c->ended) return;
        (kind == 2 ? c->debug : c->errors) += GxToUtf8(line);
    }
};

// One copy's holders of the game's files, as a copy of the game has them.
struct Holders {
    explicit Holders(GxCoreBase* core) : config(core), perman(core), game(core) {}
    GxUserConfig config;
    GxUserDataPerman perman;
    GxUserData game;
    std::vector<u32> pixels;
};

// How much of a sweep a test runs.
struct Scope {
    bool everyStep;          // ends a copy before every step, not only those that change a name
    bool everyMeeting;       // puts the other's write before every step of X's that changes a name
    bool bothOrders = true;  // each copy in turn the one held and ended first
    bool ends = true;        // ends the copies at all
};

// A case costs five times as much under the sanitizers: there the fixed
// part of the two copies' sweep holds and ends the first copy only, the
// power cuts meet two writes only one after the other, thumbnails of older
// forms stand only where a backup is put back, and that only without the
// lock.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A thumbnail's form: naming its save by a hash of its bytes, as this
// release writes them; by its device, inode, size and time, as an earlier
// release did; or by nothing, as those before.
enum class Form { Hash, LastRelease, None };

class WriteSweep : public gdtest::SaveGame {
protected:
    void SetUp() override {
        SaveGame::SetUp();
        GxSetDebugListener(&lines_);
        psys::set_safe_file_step_hook(OnStep);
        g_Sweep.running = true;
        saveDir_ = core_.GetSaveDir();
        native_ = dir_.str();
    }
    void TearDown() override {
        psys::set_safe_file_step_hook(nullptr);
        GxSetDebugListener(nullptr);
        g_Sweep = SweepState{};
        SaveGame::TearDown();
    }

    struct Kind {
        const char* what;
        std::string file;
        std::function<bool(Holders&)> save;
        std::function<void(Holders&)> see;
        Form form = Form::Hash;  // of the thumbnails put there by others than the copies
    };
    // The four kinds of file, and, with forms, the slot's again with
    // thumbnails of the older forms.
    std::vector<Kind> Kinds(bool forms = false) {
        const GxString quick = GxSaveSlot::QuickSavePath(saveDir_, *core_.m_Config);
        const GxString slot = GxSaveSlot::GameDataPath(saveDir_, 5);
        const auto saveSlot = [this](Holders& h) {
            return GxSaveSlot::Save(h.game, saveDir_, 5, reinterpret_cast<const u8*>(h.pixels.data()), 128, 96);
        };
        const auto seeSlot = [slot](Holders& h) {
            GxGameDataHeader header;
            h.game.ReadGameDataHeader(slot, &header);
        };
        std::vector<Kind> kinds = {
            {"the settings", "userconf.dat", [](Holders& h) { return h.config.Save(); },
             [](Holders& h) { h.config.Load(); }},
            {"the permanent data", "permanent.dat",
             [this](Holders& h) { return h.perman.Save(SavePath("permanent.dat"), true); },
             [this](Holders& h) { h.perman.Load(SavePath("permanent.dat")); }},
            {"the quick save", "gamedata_quick.gd", [quick](Holders& h) { return h.game.SaveGameData(quick, true); },
             [quick](Holders& h) { h.game.SeeFiles({quick}); }},
            {"a slot's save and thumbnail", "gamedata005.gd", saveSlot, seeSlot},
        };
        if (forms) {
            kinds.push_back({"a slot's save and a thumbnail of an earlier release", "gamedata005.gd", saveSlot, seeSlot,
                             Form::LastRelease});
            kinds.push_back({"a slot's save and a thumbnail with no mark", "gamedata005.gd", saveSlot, seeSlot,
                             Form::None});
        }
        return kinds;
    }

    // Copy 0 wrote what stood before; copy 1 writes more than copy 2, so that
    // the two take other steps.
    void AsCopy(Holders& h, int copy) {
        h.config.m_TextWaitTime = 10 + copy;
        h.perman.SetReadedMessage(u"copy" + Number(copy), copy);
        for (int i = 0; copy == 1 && i < 300; ++i) h.perman.SetReadedMessage(u"more" + Number(i), i);
        h.game.SetGameDataTitle(u"copy " + Number(copy));
        for (int i = 0; copy == 1 && i < 100; ++i) h.game.AddMessageLog(u"kana", u"more " + Number(i), false, false);
        h.pixels = Picture(copy);
    }

    // A thumbnail of the copy's picture naming the save at savePath in an
    // older form; where a copy with new times was made of the save (cp -r),
    // an earlier release's mark names the time it had before.
    static FileBytes Thumbnail(Form form, const fs::path& savePath, int copy, bool newTimes = false) {
        std::string mark;
        struct stat st {};
        if (form == Form::LastRelease && stat(savePath.c_str(), &st) == 0) {
            char text[96];
            std::snprintf(text, sizeof text, "%llx:%llx:%llx:%lld.%09ld", (unsigned long long)st.st_dev,
                          (unsigned long long)st.st_ino, (unsigned long long)st.st_size,
                          (long long)st.st_mtim.tv_sec - (newTimes ? 3600 : 0), (long)st.st_mtim.tv_nsec);
            mark = text;
        }
        std::vector<uint8_t> png;
        const std::vector<u32> pixels = Picture(copy);
        EXPECT_TRUE(pimage::encode_png(pixels.data(), 128, 96, 128 * 4, png, mark.empty() ? "" : "save", mark));
        return png;
    }

    // The folder emptied, the way chosen anew, and what copy 0 wrote (when
    // before) standing, its thumbnail in the kind's form; the lock held or
    // not. Copy 0's files are written once, as a copy with the lock writes
    // them, and then put back as they stood.
    void Begin(const Kind& kind, const Way& way, bool before, bool locked) {
        g_Sweep = SweepState{};
        g_Sweep.running = true;
        g_Sweep.way = way;
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        psys::forget_folders();
        ASSERT_EQ(psys::folder_way(native_), way.way);
        psys::set_folder_locked(native_, locked);
        if (!before) return;
        std::map<std::string, FileBytes>& zero = copyZero_[kind.file];
        if (zero.empty()) {
            psys::set_folder_locked(native_, true);
            Holders h(&core_);
            AsCopy(h, 0);
            ASSERT_TRUE(kind.save(h));
            for (const auto& entry : fs::directory_iterator(dir_.path()))
                zero[entry.path().filename().string()] = qtest::ReadBytes(entry.path());
            psys::set_folder_locked(native_, locked);
            for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove(entry);
        }
        for (const auto& [name, bytes] : zero) {
            qtest::WriteBytes(dir_.path() / name, bytes);
            chmod((dir_.path() / name).c_str(), 0600);
        }
        if (kind.form != Form::Hash) qtest::WriteBytes(dir_.path() / "thumb005.png", Thumbnail(kind.form, dir_.path() / kind.file, 0));
    }

    // Runs a start as copy c, with the lock or without, as a copy of the
    // game starts: the permanent data's held files it leaves are merged by
    // the load that follows it.
    void Start(Copy& c, const Kind& kind, bool locked) {
        Copy* was = g_Sweep.current;
        g_Sweep.current = &c;
        const bool wasLocked = psys::folder_locked(native_);
        psys::set_folder_locked(native_, locked);
        std::vector<psys::held_file> merge = GxSaveSlot::RecoverLeftovers(saveDir_, *core_.m_Config, locked);
        if (kind.file == "permanent.dat") {
            GxUserDataPerman loaded(&core_);
            loaded.MergeAtLoad(std::move(merge));
            loaded.Load(SavePath(kind.file));
        } else {
            EXPECT_TRUE(merge.empty());
        }
        psys::set_folder_locked(native_, wasLocked);
        g_Sweep.current = was;
    }

    // A save and its thumbnail put back from a backup by another program
    // (cp -r, new times), copy 2's, in the kind's form.
    void Restore(const Kind& kind, Copy& y) {
        if (restored_.empty()) {
            qtest::TempDir side;
            const GxString sideDir = GxFromUtf8(side.str() + "/");
            Holders h(&core_);
            AsCopy(h, 2);
            Copy* was = std::exchange(g_Sweep.current, nullptr);
            EXPECT_TRUE(GxSaveSlot::Save(h.game, sideDir, 5, reinterpret_cast<const u8*>(h.pixels.data()), 128, 96));
            g_Sweep.current = was;
            restored_ = qtest::ReadBytes(side.path() / "gamedata005.gd");
            restoredThumb_ = qtest::ReadBytes(side.path() / "thumb005.png");
        }
        const fs::path save = dir_.path() / "gamedata005.gd", thumb = dir_.path() / "thumb005.png";
        for (const fs::path& p : {save, thumb}) fs::remove(p);
        qtest::WriteBytes(save, restored_);
        const FileBytes picture = kind.form == Form::Hash ? restoredThumb_ : Thumbnail(kind.form, save, 2, true);
        qtest::WriteBytes(thumb, picture);
        for (const fs::path& p : {save, thumb}) chmod(p.c_str(), 0600);
        y.commits.push_back({"gamedata005.gd", restored_, g_Sweep.steps, 0});
        y.commits.push_back({"thumb005.png", picture, g_Sweep.steps, 0});
        y.returnedAt = g_Sweep.steps;
    }

    // What stands after the copies and a start: everything a copy committed
    // (where durable says so, after a power cut) stands at its name or a kept
    // one (the permanent data may be merged in instead, by the load that
    // takes what the start left); every kept file is named in a line; nothing
    // is kept twice; no writer's name is left; every file is whole (one of
    // versions, when given) and the player's alone; a slot's every save has
    // its own thumbnail beside it and each thumbnail its save. After a start
    // without the lock (held), what writes hold may stay held: a held name
    // counts where it holds what a copy committed, and only what stands at
    // a file's or a kept name must be paired.
    void CheckNothingLost(const std::string& file, const std::vector<const Copy*>& copies,
                          const std::function<bool(const Copy&, const Copy::Commit&)>& durable,
                          const std::set<FileBytes>* versions = nullptr, bool held = false) {
        std::string lines;
        for (const Copy* c : copies) lines += c->errors;
        SCOPED_TRACE(lines);
        if (!held) {
            EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
        }
        std::map<std::string, FileBytes> standing, heldBytes;
        const auto ofKind = [](const std::string& name, const std::string& final) {
            return name == final || (name.starts_with(final + ".") && name.ends_with(".changed"));
        };
        const std::string thumb = "thumb005.png";
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.ends_with(".damaged")) << name;
            if (name.ends_with(".changed")) {
                EXPECT_NE(lines.find(entry.path().string() + "として残しました"), std::string::npos) << name;
            }
            if (!entry.is_regular_file()) continue;
            if (name.ends_with(".held")) {
                heldBytes[name] = qtest::ReadBytes(entry.path());
                continue;
            }
            if (name.ends_with(".tmp")) continue;
            standing[name] = qtest::ReadBytes(entry.path());
            EXPECT_TRUE(!versions || versions->count(standing[name])) << name << " is not whole";
            EXPECT_EQ(fs::status(entry.path()).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write)
                << name;
        }
        // The permanent data the game plays with: what stands, read by a load.
        GxUserDataPerman loaded(&core_);
        if (file == "permanent.dat") loaded.Load(SavePath(file));
        for (const Copy* c : copies) {
            for (const Copy::Commit& commit : c->commits) {
                if (durable && !durable(*c, commit)) continue;
                bool found = false;
                for (const auto& [n, b] : standing) found = found || (ofKind(n, commit.name) && b == commit.bytes);
                for (const auto& [n, b] : heldBytes) found = found || (n.starts_with(commit.name + ".") && b == commit.bytes);
                // The permanent data is merged wherever it is found: its
                // flags are in what the game plays with, kept or not.
                if (commit.name == "permanent.dat" && !found) {
                    GxUserDataPerman theirs(&core_);
                    const fs::path path = dir_.path() / "committed";
                    qtest::WriteBytes(path, commit.bytes);
                    theirs.Load(GxFromUtf8(path.string()));
                    fs::remove(path);
                    found = !theirs.m_ReadedMessageFlags.empty();
                    for (const auto& [key, words] : theirs.m_ReadedMessageFlags)
                        for (size_t w = 0; w < words.size(); ++w)
                            found = found && loaded.m_ReadedMessageFlags.count(key) &&
                                    w < loaded.m_ReadedMessageFlags[key].size() &&
                                    (loaded.m_ReadedMessageFlags[key][w] & words[w]) == words[w];
                }
                // Of two thumbnails of an older form finding no save at one
                // slot, a start keeps the one standing (I7).
                EXPECT_TRUE(found || (pairsMayCross_ && commit.name == thumb))
                    << c->name << "'s " << commit.name << " is lost";
            }
        }
        for (const auto& [a, ab] : standing)
            for (const auto& [b, bb] : standing)
                if (a < b && ab == bb) ADD_FAILURE() << a << " and " << b << " hold the same bytes";
        if (file != "gamedata005.gd" || held) return;
        for (const auto& [name, bytes] : standing) {
            if (!ofKind(name, file)) continue;
            GxGameDataHeader header;
            ASSERT_TRUE(game_.ReadGameDataHeader(SavePath(name), &header)) << name;
            const std::string beside = thumb + name.substr(file.size());
            const int copy = std::stoi(GxToUtf8(header.m_GameDataTitle).substr(5));
            // A backup put back over copy 0's thumbnail while a write held
            // its save took that picture: the player's own choice. One of
            // an older form put back with new times names its save by
            // nothing that tells it from another a write cut short held
            // (6.4): each stands, beside some save.
            if ((copy == 0 && backupPutBack_ && !standing.count(beside)) || pairsMayCross_) continue;
            ASSERT_TRUE(standing.count(beside)) << name << " has no thumbnail " << beside;
            const u32 first = FirstPixel(standing[beside]);
            EXPECT_EQ(first, Picture(copy)[0]) << beside << " beside " << name << " (copy " << copy << ")";
        }
        for (const auto& [name, bytes] : standing)
            if (ofKind(name, thumb)) {
                EXPECT_TRUE(standing.count(file + name.substr(thumb.size()))) << name << " beside no save";
            }
    }

    // One case. X (a copy numbered cut) and Y, having seen the file as it
    // stood, write it: X is held before its step j while Y runs (Y after X
    // where j is 0 or past X's steps), X's step f fails, X is ended before
    // its step i and Y before its step k (0: never). Y is another copy's
    // write, a start without the lock, a save put back from a backup, or
    // nothing. Then a start, ended before its step s, and another where it
    // was; with held, a start without the lock first, checked as such, held
    // before its step m while Y (nothing till then) writes. With
    // power, a power cut instead before each step (of the start only, where
    // startCuts) of all that, each folder it may leave settled by the next
    // start; a check that what each write returned stands.
    enum class Other { None, Copy, Start, Restore };
    struct Case {
        int j = 0, i = 0, k = 0, s = 0, f = 0, m = 0;
        Other y = Other::Copy;
        bool locked = false, held = false, power = false, startCuts = false, check = true;
        int acts = 0;  // the errno step f fails with where it acts all the same
    };
    struct Outcome {
        std::vector<std::string> x, y, start, unlockedStart;
        int firstCommit = 0;
        std::optional<bool> xReturned, yReturned;
        std::string xFailure, xErrors;
        FileBytes old, xCommitted, standsAfter;
        std::string startErrors;
        int cases = 0;
    };
    Outcome Run(const Kind& kind, const Way& way, bool before, int cut, const Case& at) {
        Begin(kind, way, before, at.locked);
        PowerLog log(dir_.path());
        log.Start();
        if (at.power) g_Sweep.power = &log;
        Holders hx(&core_), hy(&core_);
        kind.see(hx);
        kind.see(hy);
        AsCopy(hx, cut);
        AsCopy(hy, 3 - cut);
        Copy x("copy " + std::to_string(cut)),
            y(at.y == Other::Start ? "a start without the lock" : at.y == Other::Restore ? "a backup put back"
                                                                                        : "copy " + std::to_string(3 - cut));
        x.pauseAt = at.j, x.endAt = at.i, x.failAt = at.f, x.failActs = at.acts;
        y.endAt = at.k;
        // A copy's write of the kind, and what it returned when.
        const auto write = [&](Copy& c, Holders& h) {
            g_Sweep.current = &c;
            c.returned = kind.save(h);
            if (*c.returned) c.returnedAt = g_Sweep.steps;
        };
        switch (at.y) {
        case Other::None: break;
        case Other::Copy: x.meanwhile = [&] { write(y, hy); }; break;
        case Other::Start: x.meanwhile = [&] { Start(y, kind, false); }; break;
        case Other::Restore: x.meanwhile = [&] { Restore(kind, y); }; break;
        }
        Outcome out;
        out.old = before ? qtest::ReadBytes(dir_.path() / kind.file) : FileBytes();
        backupPutBack_ = at.y == Other::Restore;
        pairsMayCross_ = backupPutBack_ && kind.form != Form::Hash && at.i;
        write(x, hx);
        x.failure = GxToUtf8(GxPersistFile::FailureForPlayer());
        if (x.meanwhile) std::exchange(x.meanwhile, nullptr)();
        g_Sweep.current = nullptr;
        out.x = x.stepNames;
        out.y = y.stepNames;
        out.firstCommit = x.commits.empty() ? 0 : x.commits.front().ownSteps;
        out.xReturned = x.ended ? std::nullopt : x.returned;
        out.yReturned = y.ended ? std::nullopt : y.returned;
        out.xFailure = x.failure;
        out.xErrors = x.errors;
        out.xCommitted = x.commits.empty() ? FileBytes() : x.commits.front().bytes;
        out.standsAfter = qtest::ReadBytes(dir_.path() / kind.file);
        if (at.check && !x.ended) {
            // A write that fails says so, to the player too; one that
            // succeeds says nothing of a failure.
            EXPECT_EQ(x.failure.empty(), *x.returned) << x.failure;
            if (!*x.returned) {
                EXPECT_FALSE(x.errors.empty());
            }
        }
        // A backup put back replaces what X wrote before it, and so the
        // thumbnail of a save it replaced: the player's own choice.
        const auto afterBackup = [&](const Copy& c, const Copy::Commit&) {
            return at.y != Other::Restore || &c != &x || c.commits.front().at > y.returnedAt;
        };
        const int copySteps = g_Sweep.steps;
        Copy first("a start"), second("the next start");
        if (at.held) {
            Copy unlocked("a start without the lock");
            const fs::path thumb = dir_.path() / "thumb005.png";
            const FileBytes thumbWas = qtest::ReadBytes(thumb);
            unlocked.pauseAt = at.m;
            if (at.m) unlocked.meanwhile = [&] { write(y, hy); };
            Start(unlocked, kind, false);
            out.unlockedStart = unlocked.stepNames;
            if (at.check)
                CheckNothingLost(kind.file, {&x, &y, &unlocked}, afterBackup, nullptr, true);
            // A thumbnail it puts at the slot's name is the one of the save
            // that stands there (I8).
            GxGameDataHeader header;
            if (at.check && fs::exists(thumb) && qtest::ReadBytes(thumb) != thumbWas &&
                game_.ReadGameDataHeader(SavePath(kind.file), &header)) {
                const int copy = std::stoi(GxToUtf8(header.m_GameDataTitle).substr(5));
                EXPECT_EQ(FirstPixel(qtest::ReadBytes(thumb)), Picture(copy)[0]) << "a start without the lock put "
                                                                                    "another save's thumbnail beside copy "
                                                                                 << copy << "'s";
            }
        }
        first.endAt = at.s;
        Start(first, kind, true);
        out.start = first.stepNames;
        out.startErrors = first.errors;
        if (!at.power) {
            if (at.s) Start(second, kind, true);
            if (at.check) CheckNothingLost(kind.file, {&x, &y, &first, &second}, afterBackup);
            out.cases = 1;
            return out;
        }
        g_Sweep.power = nullptr;
        log.End();
        const std::set<FileBytes> versions = log.Versions();
        for (int power = at.startCuts ? copySteps + 1 : 1; power <= log.Steps() + 1; ++power) {
            int state = 0;
            for (const PowerLog::Listing& crash : log.CrashStates(power)) {
                SCOPED_TRACE("a power cut before step " + std::to_string(power) + ", state " + std::to_string(state++));
                log.Make(crash);
                Copy next("the next start");
                Start(next, kind, true);
                // What a write returned; the starts' own steps are no write's.
                const auto returned = [&](const Copy& c, const Copy::Commit&) {
                    return &c == &first || &c == &next || (c.returnedAt >= 0 && c.returnedAt < power);
                };
                CheckNothingLost(kind.file, {&x, &y, &first, &next}, returned, &versions);
                EXPECT_TRUE(!before || fs::exists(dir_.path() / kind.file)) << "nothing at the name";
                ++out.cases;
                if (HasFailure()) return out;
            }
        }
        return out;
    }

    // The steps of names a copy took, numbered from 1: those that change a
    // name, and (everyStep) all.
    static std::vector<int> EndsOf(const std::vector<std::string>& steps, int from, bool everyStep) {
        std::vector<int> ends;
        for (int n = std::max(from, 1); n <= int(steps.size()); ++n)
            if (everyStep || ChangesAName(steps[size_t(n) - 1])) ends.push_back(n);
        ends.push_back(int(steps.size()) + 1);
        return ends;
    }

    // Where Y is put among X's steps: before each that changes a name (and
    // each look), or only at X's first, as X's commit begins (its first step
    // that changes a name after its bytes are synced), once X's file stands,
    // and after X's last; never in the look's own moment.
    static std::vector<int> Meetings(const std::vector<std::string>& alone, int firstCommit, bool everyMeeting,
                                     bool locked = false) {
        std::vector<int> meets = {1};
        for (int n = 1; n <= int(alone.size()) + 1; ++n)
            if (n == int(alone.size()) + 1 ||
                (everyMeeting && (ChangesAName(alone[size_t(n) - 1]) || alone[size_t(n) - 1] == "look")))
                meets.push_back(n);
        if (!everyMeeting) {
            for (size_t n = 0; n < alone.size(); ++n)
                if (alone[n] == "sync") {
                    for (size_t m = n + 1; m < alone.size(); ++m)
                        if (ChangesAName(alone[m]) && alone[m] != "open") {
                            meets.push_back(int(m) + 1);
                            break;
                        }
                    break;
                }
            if (firstCommit) meets.push_back(firstCommit + 1);
        }
        std::erase_if(meets, [&](int j) { return AcceptedMoment(alone, j, locked); });
        std::sort(meets.begin(), meets.end());
        meets.erase(std::unique(meets.begin(), meets.end()), meets.end());
        return meets;
    }

    // Runs a sweep over every kind of file, way and file that stood before
    // or not (a thumbnail of an older form only where a save stood); each
    // runs its cases and says what it ran.
    using Sweep = std::function<void(const Kind&, const Way&, bool before, const std::string& where)>;
    void ForEach(const std::vector<Kind>& kinds, const std::vector<Way>& ways, const Sweep& sweep) {
        for (const Kind& kind : kinds)
            for (const Way& way : ways)
                for (const bool before : {true, false}) {
                    if (!before && kind.form != Form::Hash) continue;
                    sweep(kind, way, before,
                          std::string(kind.what) + (before ? ", written before, " : ", none before, ") + way.Name());
                    if (HasFailure()) return;
                }
    }

    // Two copies ended in every pair of their steps (Scope), for every
    // meeting of their writes; with ends off, both whole at every meeting,
    // where both writes succeed.
    int TwoCopiesEnded(const std::vector<Kind>& kinds, const std::vector<Way>& ways, const Scope& scope) {
        int cases = 0;
        ForEach(kinds, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            for (const int cut : {1, 2}) {
                if (cut == 2 && !scope.bothOrders) break;
                const Outcome alone = Run(kind, way, before, cut, {.check = false});
                for (const int j : Meetings(alone.x, alone.firstCommit, scope.everyMeeting)) {
                    SCOPED_TRACE(where + ", copy " + std::to_string(cut) + " held before step " + std::to_string(j));
                    if (!scope.ends) {
                        const Outcome both = Run(kind, way, before, cut, {.j = j});
                        // Only a keep that no link nor refusing move can make
                        // without the lock fails (and says so).
                        if (!way.othersRefused) {
                            EXPECT_TRUE(both.xReturned.value_or(false) && both.yReturned.value_or(false))
                                << both.xErrors << both.xFailure;
                        }
                        cases += both.cases;
                        if (HasFailure()) return;
                        continue;
                    }
                    // Y whole, to learn its steps there; X whole for each of Y's ends.
                    const Outcome ys = Run(kind, way, before, cut, {.j = j, .check = false});
                    for (const int k : EndsOf(ys.y, 1, scope.everyStep)) {
                        const Outcome xs = Run(kind, way, before, cut, {.j = j, .k = k, .check = false});
                        for (const int i : EndsOf(xs.x, j, scope.everyStep)) {
                            SCOPED_TRACE("ended before step " + std::to_string(i) + "; the other before its step " +
                                         std::to_string(k));
                            cases += Run(kind, way, before, cut, {.j = j, .i = i, .k = k}).cases;
                            if (HasFailure()) return;
                        }
                    }
                }
            }
        });
        return cases;
    }

    // Each end state of two copies (X ended before each step that changes a
    // name, Y whole after it) settled by a start ended before each of its
    // steps that changes a name, or cut off by a power loss before each of
    // its steps, then by another.
    int StartsEnded(const std::vector<Kind>& kinds, const std::vector<Way>& ways) {
        int cases = 0;
        ForEach(kinds, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            const Outcome alone = Run(kind, way, before, 1, {.check = false});
            for (const int i : EndsOf(alone.x, 1, false)) {
                SCOPED_TRACE(where + ": copy 1 ended before step " + std::to_string(i) + ", the other after it");
                cases += Run(kind, way, before, 1, {.i = i, .power = true, .startCuts = true}).cases;
                const Outcome settled = Run(kind, way, before, 1, {.i = i, .check = false});
                for (const int s : EndsOf(settled.start, 1, false)) {
                    if (s > int(settled.start.size())) continue;
                    SCOPED_TRACE("the start ended before its step " + std::to_string(s));
                    cases += Run(kind, way, before, 1, {.i = i, .s = s}).cases;
                    if (HasFailure()) return;
                }
            }
        });
        return cases;
    }

    // A copy alone, ended before each of its steps. With the lock: the start
    // after it finds the old file or the new one at the name (a slot's with
    // its own thumbnail), keeps nothing and says nothing in error.log (R4).
    // Without any lock: a start without it loses nothing and takes
    // nothing it must not (I8), and a later start with the lock settles all.
    int LoneCopiesEnded(const std::vector<Kind>& kinds, const std::vector<Way>& ways, bool locked) {
        int cases = 0;
        ForEach(kinds, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            const Outcome alone = Run(kind, way, before, 1, {.y = Other::None, .locked = locked, .check = false});
            for (const int i : EndsOf(alone.x, 1, locked)) {
                SCOPED_TRACE(where + ": ended before step " + std::to_string(i));
                const Outcome out = Run(kind, way, before, 1, {.i = i, .y = Other::None, .locked = locked, .held = !locked});
                ++cases;
                // The start without the lock met by another copy's write
                // before each of its steps that changes a name: what it
                // puts back replaces nothing that copy wrote (I2).
                for (int m = 1; !locked && m <= int(out.unlockedStart.size()); ++m) {
                    if (!ChangesAName(out.unlockedStart[size_t(m) - 1]) || AcceptedMoment(out.unlockedStart, m, false))
                        continue;
                    SCOPED_TRACE("the start without the lock met before its step " + std::to_string(m));
                    cases += Run(kind, way, before, 1, {.i = i, .m = m, .y = Other::None, .held = true}).cases;
                }
                if (locked) {
                    const FileBytes now = qtest::ReadBytes(dir_.path() / kind.file);
                    EXPECT_TRUE(now == out.old || now == out.xCommitted);
                    EXPECT_EQ(out.startErrors, "");
                    for (const auto& entry : fs::directory_iterator(dir_.path())) {
                        EXPECT_FALSE(entry.path().string().ends_with(".changed")) << entry.path();
                    }
                }
                if (HasFailure()) return;
            }
        });
        return cases;
    }

    // A start without the lock met before each step of a copy's write that
    // changes a name (a copy that cannot see the other's lock, or no lock at
    // all): the write goes on, and nothing is lost (I8).
    int StartsMeetingACopy(const std::vector<Kind>& kinds, const std::vector<Way>& ways, bool locked) {
        int cases = 0;
        ForEach(kinds, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            const Outcome alone = Run(kind, way, before, 1, {.y = Other::None, .locked = locked, .check = false});
            for (const int j : Meetings(alone.x, alone.firstCommit, true, locked)) {
                SCOPED_TRACE(where + ": the start before step " + std::to_string(j));
                const Outcome out = Run(kind, way, before, 1, {.j = j, .y = Other::Start, .locked = locked});
                EXPECT_TRUE(out.xReturned.value_or(false) || way.othersRefused) << out.xErrors;
                ++cases;
                if (HasFailure()) return;
            }
        });
        return cases;
    }

    // A copy alone whose step f fails (EIO) for each f that syncs or changes
    // a name, with the lock and without: a sync that fails fails the write
    // (I4), which says so; a commit that fails after taking the old file
    // puts it back (I5); nothing is lost. A step that changes a name may
    // also act and fail all the same: with a file system's own error, or
    // with what the call sent again after its reply was lost finds (a
    // link's new name taken, any other step's name gone): the write goes on
    // from what stands, and where it fails its file stands, and is told so.
    int StepsFailing(const std::vector<Kind>& kinds, const std::vector<Way>& ways) {
        int cases = 0;
        ForEach(kinds, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            for (const bool locked : {true, false}) {
                const Outcome alone = Run(kind, way, before, 1, {.y = Other::None, .locked = locked, .check = false});
                for (int f = 1; f <= int(alone.x.size()); ++f) {
                    const std::string& step = alone.x[size_t(f) - 1];
                    const bool sync = step == "sync" || step == "sync folder";
                    if (!sync && (!ChangesAName(step) || step == "open")) continue;
                    for (const int acts : {0, EIO, step == "link" ? EEXIST : ENOENT}) {
                        if (acts && sync) continue;
                        SCOPED_TRACE(where + (locked ? ", locked" : "") + ": step " + std::to_string(f) + " (" + step +
                                     (acts ? ") acting and failing: " + std::string(std::strerror(acts)) : ") failing"));
                        const Outcome out =
                            Run(kind, way, before, 1, {.f = f, .y = Other::None, .locked = locked, .acts = acts});
                        if (sync) {
                            EXPECT_FALSE(*out.xReturned);
                        }
                        if (acts && !*out.xReturned) {
                            EXPECT_FALSE(out.xCommitted.empty()) << "told failed where its step acted";
                            EXPECT_EQ(out.xFailure, "ディスクへの書き込みを確かめられませんでした");
                        }
                        // But where nothing may be placed without replacing
                        // and without the lock: it stays held, said.
                        if (!*out.xReturned && out.xCommitted.empty() && (locked || !way.othersRefused)) {
                            EXPECT_EQ(out.standsAfter, out.old) << "what the write took is not back at its name";
                        }
                        // Without the lock, another copy's save may come
                        // after the look that puts back what was taken,
                        // and before that step: it is not replaced.
                        if (!locked && !acts && !sync && f < int(out.x.size()))
                            Run(kind, way, before, 1, {.j = f + 1, .f = f, .locked = locked});
                        ++cases;
                        if (HasFailure()) return;
                    }
                }
            }
        });
        return cases;
    }

    // A save and its thumbnail put back from a backup (cp -r) by another
    // program before each step of a copy's write that changes a name, the
    // copy with the lock or without, ended before each such step of its own
    // (ends): whatever form the thumbnail has, it stands beside that save
    // wherever the save is kept (I7). Lean, only the older forms, without
    // the lock.
    int BackupsPutBack(const std::vector<Way>& ways, bool ends, bool lean = false) {
        int cases = 0;
        std::vector<Kind> slots = Kinds(true);
        slots.erase(slots.begin(), slots.begin() + (lean ? 4 : 3));
        ForEach(slots, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            for (const bool locked : {true, false}) {
                if (lean && locked) continue;
                const Outcome alone = Run(kind, way, before, 1, {.y = Other::None, .locked = locked, .check = false});
                for (const int j : Meetings(alone.x, alone.firstCommit, true, locked)) {
                    const Outcome met = Run(kind, way, before, 1, {.j = j, .y = Other::Restore, .locked = locked, .check = false});
                    for (const int i : ends ? EndsOf(met.x, j, false) : std::vector<int>{0}) {
                        SCOPED_TRACE(where + (locked ? ", locked" : "") + ": put back before step " + std::to_string(j) +
                                     ", the copy ended before step " + std::to_string(i));
                        cases += Run(kind, way, before, 1, {.j = j, .i = i, .y = Other::Restore, .locked = locked}).cases;
                        if (HasFailure()) return;
                    }
                }
            }
        });
        return cases;
    }

    // A power cut before each step of the writes (a copy that holds the
    // lock, alone; or two without it, Y's write before X's steps as
    // Meetings says) and of the start after them.
    int PowerCuts(const std::vector<Kind>& kinds, const std::vector<Way>& ways, const std::vector<Way>& waysOfTwo,
                  bool everyMeeting) {
        int cases = 0;
        ForEach(kinds, ways, [&](const Kind& kind, const Way& way, bool before, const std::string& where) {
            {
                SCOPED_TRACE(where + ", alone, locked");
                cases += Run(kind, way, before, 1, {.y = Other::None, .locked = true, .power = true}).cases;
            }
            const bool two = kind.form == Form::Hash && std::any_of(waysOfTwo.begin(), waysOfTwo.end(), [&](const Way& w) {
                                 return w.way == way.way && w.othersRefused == way.othersRefused;
                             });
            if (!two) return;
            const Outcome alone = Run(kind, way, before, 1, {.check = false});
            // Under the sanitizers the fixed part meets the two writes only
            // one after the other.
            std::vector<int> meets = {0};
            if (!kSanitized || everyMeeting) {
                const std::vector<int> more = Meetings(alone.x, alone.firstCommit, everyMeeting);
                meets.insert(meets.end(), more.begin(), more.end());
            }
            for (const int j : meets) {
                SCOPED_TRACE(where + ", the other copy before step " + std::to_string(j));
                cases += Run(kind, way, before, 1, {.j = j, .power = true}).cases;
                if (HasFailure()) return;
            }
        });
        return cases;
    }

    // Plays the game's script, runs the sweep and says how many cases it ran
    // and in how long.
    void Timed(const std::function<int()>& sweep) {
        Play();
        const auto t0 = std::chrono::steady_clock::now();
        const int cases = sweep();
        std::printf("%d cases in %.1f s\n", cases,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }

    CopyLines lines_;
    GxString saveDir_;
    std::string native_;
    std::map<std::string, std::map<std::string, FileBytes>> copyZero_;
    FileBytes restored_, restoredThumb_;
    bool backupPutBack_ = false, pairsMayCross_ = false;
};

// ---- the test command's sweeps ------------------------------------------------

// Two copies without a lock, both ended, each before every step that changes
// a name, in every pair, with Y's write put before X's first step, as X's
// commit begins, once X's file stands and after X, in the ways where the
// two run apart on the disk the most.
TEST_F(WriteSweep, NothingACopyFinishedIsLostWhereverTwoCopiesAreEnded) {
    Timed([&] { return TwoCopiesEnded(Kinds(), kWaysOfTwo, {false, false, !kSanitized}); });
}

// Two copies without a lock, in every way, Y's write before every step of
// X's that changes a name: both succeed (but for a keep that the server
// refuses without the lock) and nothing is lost. Y's write between X's take
// and X's place is the one a plain rename in X's place would replace (I2);
// X's thumbnail name still a second name of its temporary one is the one a
// writer must not take from it.
TEST_F(WriteSweep, TwoCopiesMeetingAtEveryStepBothWriteAndLoseNothing) {
    Timed([&] { return TwoCopiesEnded(Kinds(), kWays, {false, true, false, false}); });
}

// A copy that holds the lock, ended before any step of its write, in each
// way of writing, whatever form the thumbnail that stood has.
TEST_F(WriteSweep, ALoneCopyEndedAnywhereLeavesNothingKeptAndNoLine) {
    Timed([&] { return LoneCopiesEnded(Kinds(!kSanitized), kWays, true); });
}

// Where no lock can be had at all: a copy alone ended before each step that
// changes a name, and a start without the lock met before each such step of
// a whole write, in each way of writing (the look way's too, 6.3).
TEST_F(WriteSweep, WithNoLockAtAllAStartTakesNoRunningCopysWorkAndNothingIsLost) {
    Timed([&] { return LoneCopiesEnded(Kinds(!kSanitized), kWays, false) + StartsMeetingACopy(Kinds(), kWays, false); });
}

TEST_F(WriteSweep, AStartEndedAnywhereIsFinishedByTheNext) {
    Timed([&] { return StartsEnded(Kinds(), kWaysOfTwo); });
}

TEST_F(WriteSweep, WhatAWriteReturnedSurvivesAPowerCut) {
    Timed([&] { return PowerCuts(Kinds(!kSanitized), kWays, kWaysOfTwo, false); });
}

TEST_F(WriteSweep, AStepThatFailsFailsTheWriteSaysSoAndLosesNothing) {
    Timed([&] { return StepsFailing(Kinds(!kSanitized), kWays); });
}

TEST_F(WriteSweep, AThumbnailOfAnyFormGoesWithItsSaveWhereverItIsKept) {
    Timed([&] { return BackupsPutBack(kWays, false, kSanitized); });
}

// ---- the whole sweeps, which the test command leaves out (ctest -L whole) ----

// Every copy ended before every step, Y's write before every step of X's
// that changes a name, in every way, the thumbnails of every form.
TEST_F(WriteSweep, WholeTwoCopiesEnded) {
    Timed([&] { return TwoCopiesEnded(Kinds(true), kWays, {true, true}); });
}

// A power cut before every step of each of those meetings.
TEST_F(WriteSweep, WholePowerCuts) {
    Timed([&] { return PowerCuts(Kinds(true), kWays, kWays, true); });
}

// Starts ended and starts meeting a copy with the lock, backups put back
// with the copy ended at every step, every step failing, in every way.
TEST_F(WriteSweep, WholeStartsAndBackups) {
    Timed([&] {
        return StartsEnded(Kinds(true), kWays) + StartsMeetingACopy(Kinds(true), kWays, true) +
               BackupsPutBack(kWays, true) + StepsFailing(Kinds(true), kWays);
    });
}

} // namespace
