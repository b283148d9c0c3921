// Copies of the game writing one file of the save folder, ended at every
// step, two at a time, in every way of writing, and cut off by a power
// loss; then a start. Whatever a copy finished writing stands, is kept
// beside its name or (the permanent data) is merged in.
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
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
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

const std::vector<write_way> kWays = {write_way::exchange, write_way::link, write_way::move, write_way::look};
// Where copies without a lock write: a folder of the look way has them fail.
const std::vector<write_way> kWaysOfTwo = {write_way::exchange, write_way::link, write_way::move};

using gdtest::FirstPixel;
using gdtest::Picture;

bool Is(const char* step, const char* name) { return std::strcmp(step, name) == 0; }

// Steps that change a name, the only ones at which another copy's write or
// an ending can make a difference to what names hold.
bool ChangesAName(const std::string& step) {
    return step == "open" || step == "link" || step == "exchange" || step == "rename" || step == "move" ||
           step == "unlink";
}

// One copy of the game, or a start, as the steps it takes.
struct Copy {
    explicit Copy(std::string n) : name(std::move(n)) {}
    std::string name;
    int steps = 0;
    int pauseAt = 0, endAt = 0;  // 0: never
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
    // The steps all copies had taken when its write returned (-1: not yet).
    int returnedAt = -1;
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
    void Before(const char* step, const std::string& path) {
        // before_[k] is the folder before global step k (1-based).
        if (before_.size() == 1) before_.push_back(before_[0]);
        else before_.push_back(Look());
        const int number = int(before_.size()) - 1;
        if (Is(step, "sync")) {
            struct stat st {};
            if (stat(path.c_str(), &st) == 0) contents_[st.st_ino] = qtest::ReadBytes(path);
        }
        if (Is(step, "sync folder")) syncs_.push_back(number);
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
    write_way way = write_way::exchange;
    Copy* current = nullptr;
    int steps = 0;
    PowerLog* power = nullptr;
} g_Sweep;

int Refused(write_way way, const char* step) {
    const bool lacksExchange = way != write_way::exchange;
    const bool lacksLinks = way == write_way::move || way == write_way::look;
    if (Is(step, "exchange") && lacksExchange) return EINVAL;
    if (Is(step, "link") && lacksLinks) return EPERM;
    if (Is(step, "move") && way == write_way::look) return EINVAL;
    return 0;
}

int OnStep(const char* step, const std::string& path, const std::string&) {
    SweepState& s = g_Sweep;
    if (const int refused = Refused(s.way, step)) return refused;
    Copy* c = s.current;
    // The sweep's syncs are made by its own power cuts.
    const int done = Is(step, "sync") || Is(step, "sync folder") ? psys::kStepTakenAsDone : 0;
    if (!c) return done;
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
    c->stepNames.push_back(step);
    ++s.steps;
    if (s.power) s.power->Before(step, path);
    return done;
}

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

// How much of the sweep a test runs.
struct Scope {
    bool everyStep;      // ends a copy before every step, not only those that change a name
    bool everyMeeting;   // puts the other copy's write before every step of X's that changes a name
    bool bothOrders = true;  // each copy in turn the one held and ended first
};

// A case costs five times as much under the sanitizers: there the fixed
// part of the two copies' sweep holds and ends the first copy only, and the
// power cuts meet two writes only one after the other.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class WriteSweep : public gdtest::SaveGame {
protected:
    void SetUp() override {
        SaveGame::SetUp();
        GxSetDebugListener(&lines_);
        psys::set_safe_file_step_hook(OnStep);
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
    };
    std::vector<Kind> Kinds() {
        const GxString quick = GxSaveSlot::QuickSavePath(saveDir_, *core_.m_Config);
        const GxString slot = GxSaveSlot::GameDataPath(saveDir_, 5);
        return {
            {"the settings", "userconf.dat", [](Holders& h) { return h.config.Save(); },
             [](Holders& h) { h.config.Load(); }},
            {"the permanent data", "permanent.dat",
             [this](Holders& h) { return h.perman.Save(SavePath("permanent.dat"), true); },
             [this](Holders& h) { h.perman.Load(SavePath("permanent.dat")); }},
            {"the quick save", "gamedata_quick.gd", [quick](Holders& h) { return h.game.SaveGameData(quick, true); },
             [quick](Holders& h) { h.game.SeeFiles({quick}); }},
            {"a slot's save and thumbnail", "gamedata005.gd",
             [this](Holders& h) {
                 return GxSaveSlot::Save(h.game, saveDir_, 5, reinterpret_cast<const u8*>(h.pixels.data()), 128, 96);
             },
             [slot](Holders& h) {
                 GxGameDataHeader header;
                 h.game.ReadGameDataHeader(slot, &header);
             }},
        };
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

    // The folder emptied, the way chosen anew, and what copy 0 wrote (when
    // before) standing; the lock held or not.
    void Begin(const Kind& kind, write_way way, bool before, bool locked) {
        g_Sweep = SweepState{};
        g_Sweep.way = way;
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        psys::forget_folders();
        ASSERT_EQ(psys::folder_way(native_), way);
        // Copy 0 wrote alone.
        psys::set_folder_locked(native_, true);
        if (before) {
            Holders zero(&core_);
            AsCopy(zero, 0);
            ASSERT_TRUE(kind.save(zero));
        }
        psys::set_folder_locked(native_, locked);
    }

    // Runs a start that holds the lock as copy c; the permanent data's
    // files it left to merge.
    std::vector<psys::held_file> Start(Copy& c) {
        g_Sweep.current = &c;
        const bool locked = psys::folder_locked(native_);
        psys::set_folder_locked(native_, true);
        std::vector<psys::held_file> merge = GxSaveSlot::RecoverLeftovers(saveDir_, *core_.m_Config, true);
        psys::set_folder_locked(native_, locked);
        g_Sweep.current = nullptr;
        return merge;
    }

    // What stands after the copies and a start: everything a copy committed
    // (where durable says so, after a power cut) stands at its name or a kept
    // one (the permanent data may be merged in instead, by the load that
    // takes what the start left); every kept file is named in a line; nothing
    // is kept twice; no writer's name is left; every file is whole (one of
    // versions, when given) and the player's alone; a slot's every save has
    // its own thumbnail beside it and each thumbnail its save.
    void CheckNothingLost(const std::string& file, const std::vector<const Copy*>& copies,
                          std::vector<psys::held_file> merge,
                          const std::function<bool(const Copy&, const Copy::Commit&)>& durable,
                          const std::set<FileBytes>* versions = nullptr) {
        std::string lines;
        for (const Copy* c : copies) lines += c->errors;
        SCOPED_TRACE(lines);
        // The permanent data as the game's load makes it, taking what the
        // start left held.
        GxUserDataPerman loaded(&core_);
        if (file == "permanent.dat") {
            loaded.MergeAtLoad(std::move(merge));
            loaded.Load(SavePath(file));
        }
        EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
        std::map<std::string, FileBytes> standing;
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
            standing[name] = qtest::ReadBytes(entry.path());
            EXPECT_TRUE(!versions || versions->count(standing[name])) << name << " is not whole";
            EXPECT_EQ(fs::status(entry.path()).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write)
                << name;
        }
        for (const Copy* c : copies) {
            for (const Copy::Commit& commit : c->commits) {
                if (durable && !durable(*c, commit)) continue;
                bool found = false;
                for (const auto& [n, b] : standing) found = found || (ofKind(n, commit.name) && b == commit.bytes);
                // The permanent data is merged wherever it is found: its
                // flags are in what the game plays with, kept or not.
                if (commit.name == "permanent.dat") {
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
                EXPECT_TRUE(found) << c->name << "'s " << commit.name << " is lost";
            }
        }
        for (const auto& [a, ab] : standing)
            for (const auto& [b, bb] : standing)
                if (a < b && ab == bb) ADD_FAILURE() << a << " and " << b << " hold the same bytes";
        if (file != "gamedata005.gd") return;
        for (const auto& [name, bytes] : standing) {
            if (!ofKind(name, file)) continue;
            GxGameDataHeader header;
            ASSERT_TRUE(game_.ReadGameDataHeader(SavePath(name), &header)) << name;
            const std::string beside = thumb + name.substr(file.size());
            ASSERT_TRUE(standing.count(beside)) << name << " has no thumbnail " << beside;
            const u32 first = FirstPixel(standing[beside]);
            const int copy = std::stoi(GxToUtf8(header.m_GameDataTitle).substr(5));
            EXPECT_EQ(first, Picture(copy)[0]) << beside << " beside " << name << " (copy " << copy << ")";
        }
        for (const auto& [name, bytes] : standing)
            if (ofKind(name, thumb)) {
                EXPECT_TRUE(standing.count(file + name.substr(thumb.size()))) << name << " beside no save";
            }
    }

    // One case. X (a copy numbered cut) and, where two, Y (the other copy),
    // having seen the file as it stood, write it: X is held before its step j
    // while Y writes (Y after X where j is 0 or past X's steps), X is ended
    // before its step i and Y before its step k (0: never). Then a start,
    // ended before its step s, and another where it was. With power, a power
    // cut instead before each step (of the start only, where startCuts) of
    // all that, each folder it may leave settled by the next start; a check
    // that what each write returned stands.
    struct Case {
        int j = 0, i = 0, k = 0, s = 0;
        bool two = true, locked = false, power = false, startCuts = false, check = true;
    };
    struct Outcome {
        std::vector<std::string> x, y, start;
        int firstCommit = 0;
        bool xEnded = false;
        FileBytes old, xCommitted;
        std::string startErrors;
        int cases = 0;
    };
    Outcome Run(const Kind& kind, write_way way, bool before, int cut, const Case& at) {
        Begin(kind, way, before, at.locked);
        const FileBytes old = before ? qtest::ReadBytes(dir_.path() / kind.file) : FileBytes();
        PowerLog log(dir_.path());
        log.Start();
        if (at.power) g_Sweep.power = &log;
        Holders hx(&core_), hy(&core_);
        kind.see(hx);
        kind.see(hy);
        AsCopy(hx, cut);
        AsCopy(hy, 3 - cut);
        Copy x("copy " + std::to_string(cut)), y("copy " + std::to_string(3 - cut));
        x.pauseAt = at.j;
        x.endAt = at.i;
        y.endAt = at.k;
        if (at.two)
            x.meanwhile = [&] {
                g_Sweep.current = &y;
                if (kind.save(hy)) y.returnedAt = g_Sweep.steps;
            };
        g_Sweep.current = &x;
        if (kind.save(hx)) x.returnedAt = g_Sweep.steps;
        if (x.meanwhile) std::exchange(x.meanwhile, nullptr)();
        g_Sweep.current = nullptr;
        Outcome out{x.stepNames, y.stepNames, {}, x.commits.empty() ? 0 : x.commits.front().ownSteps, x.ended,
                    old, x.commits.empty() ? FileBytes() : x.commits.front().bytes, {}, 0};
        // Copies that both finish leave nothing for a start: there may be
        // none (no copy holds the lock).
        if (at.check && !at.power && !x.ended && !y.ended) {
            EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>()) << "before any start";
        }
        const int copySteps = g_Sweep.steps;
        Copy first("a start"), second("the next start");
        first.endAt = at.s;
        std::vector<psys::held_file> merge = Start(first);
        out.start = first.stepNames;
        out.startErrors = first.errors;
        if (!at.power) {
            if (at.s) merge = Start(second);
            if (at.check) CheckNothingLost(kind.file, {&x, &y, &first, &second}, std::move(merge), {});
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
                // What a write returned; the starts' own steps are no write's.
                const auto returned = [&](const Copy& c, const Copy::Commit&) {
                    return &c == &first || &c == &next || (c.returnedAt >= 0 && c.returnedAt < power);
                };
                CheckNothingLost(kind.file, {&x, &y, &first, &next}, Start(next), returned, &versions);
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

    // Where Y's write is put among X's steps: before each that changes a
    // name, or only at X's first, as X's commit begins (its first step that
    // changes a name after its bytes are synced), once X's file stands, and
    // after X's last.
    static std::vector<int> Meetings(const std::vector<std::string>& alone, int firstCommit, bool everyMeeting) {
        std::vector<int> meets = {1};
        for (const int n : EndsOf(alone, 1, false))
            if (everyMeeting || n == int(alone.size()) + 1) meets.push_back(n);
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
        std::sort(meets.begin(), meets.end());
        meets.erase(std::unique(meets.begin(), meets.end()), meets.end());
        return meets;
    }

    // Runs a sweep over every kind of file, way and file that stood before
    // or not; each runs its cases and says what it ran.
    using Sweep = std::function<void(const Kind&, write_way, bool before, const std::string& where)>;
    void ForEach(const std::vector<write_way>& ways, const Sweep& sweep) {
        for (const Kind& kind : Kinds())
            for (const write_way way : ways)
                for (const bool before : {true, false}) {
                    sweep(kind, way, before,
                          std::string(kind.what) + (before ? ", written before, " : ", none before, ") +
                              psys::write_way_name(way));
                    if (HasFailure()) return;
                }
    }

    // Two copies ended in every pair of their steps (Scope), for every
    // meeting of their writes.
    int TwoCopiesEnded(const Scope& scope) {
        int cases = 0;
        ForEach(kWaysOfTwo, [&](const Kind& kind, write_way way, bool before, const std::string& where) {
            for (const int cut : {1, 2}) {
                if (cut == 2 && !scope.bothOrders) break;
                const Outcome alone = Run(kind, way, before, cut, {.check = false});
                for (const int j : Meetings(alone.x, alone.firstCommit, scope.everyMeeting)) {
                    // Y whole, to learn its steps there; X whole for each of Y's ends.
                    const Outcome ys = Run(kind, way, before, cut, {.j = j, .check = false});
                    for (const int k : EndsOf(ys.y, 1, scope.everyStep)) {
                        const Outcome xs = Run(kind, way, before, cut, {.j = j, .k = k, .check = false});
                        for (const int i : EndsOf(xs.x, j, scope.everyStep)) {
                            SCOPED_TRACE(where + ", copy " + std::to_string(cut) + " held before step " + std::to_string(j) +
                                         ", ended before step " + std::to_string(i) + "; the other ended before its step " +
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
    int StartsEnded() {
        int cases = 0;
        ForEach(kWaysOfTwo, [&](const Kind& kind, write_way way, bool before, const std::string& where) {
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

    // A copy that holds the save folder's lock, alone, ended before each of
    // its steps: the start after it finds the old file or the new one at the
    // name (a slot's with its own thumbnail), keeps nothing and says nothing
    // in error.log.
    int LoneCopiesEnded() {
        int cases = 0;
        ForEach(kWays, [&](const Kind& kind, write_way way, bool before, const std::string& where) {
            for (int i = 1;; ++i) {
                SCOPED_TRACE(where + ": ended before step " + std::to_string(i));
                const Outcome out = Run(kind, way, before, 1, {.i = i, .two = false, .locked = true});
                const FileBytes now = qtest::ReadBytes(dir_.path() / kind.file);
                EXPECT_TRUE(now == out.old || now == out.xCommitted);
                EXPECT_EQ(out.startErrors, "");
                for (const auto& entry : fs::directory_iterator(dir_.path())) {
                    EXPECT_FALSE(entry.path().string().ends_with(".changed")) << entry.path();
                }
                ++cases;
                if (HasFailure() || !out.xEnded) return;
            }
        });
        return cases;
    }

    // A power cut before each step of the writes (a copy that holds the
    // lock, alone; or two without it, Y's write before X's steps as
    // Meetings says) and of the start after them.
    int PowerCuts(bool everyMeeting) {
        int cases = 0;
        ForEach(kWays, [&](const Kind& kind, write_way way, bool before, const std::string& where) {
            {
                SCOPED_TRACE(where + ", alone, locked");
                cases += Run(kind, way, before, 1, {.two = false, .locked = true, .power = true}).cases;
            }
            if (way == write_way::look) return;
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
};

// ---- two copies without a lock ----------------------------------------------

// Both copies ended, each before every step that changes a name, in every
// pair, with Y's write put before X's first step, as X's commit begins, once
// X's file stands and after X (WholeTwoCopiesEnded: before every step of
// X's that changes a name, each copy ended before every step), in each way
// of writing but the look way (where copies without a lock do not write:
// below).
TEST_F(WriteSweep, NothingACopyFinishedIsLostWhereverTwoCopiesAreEnded) {
    Timed([&] { return TwoCopiesEnded({false, false, !kSanitized}); });
    // In a folder of the look way a copy without the lock does not write:
    // its write fails, says so, and what stood stays.
    for (const Kind& kind : Kinds())
        for (const bool before : {true, false}) {
            SCOPED_TRACE(std::string(kind.what) + (before ? ", written before" : ", none before") + ", look, no lock");
            Begin(kind, write_way::look, before, false);
            const fs::path file = dir_.path() / kind.file;
            const FileBytes old = before ? qtest::ReadBytes(file) : FileBytes();
            Holders h(&core_);
            kind.see(h);
            AsCopy(h, 1);
            Copy x("copy 1");
            g_Sweep.current = &x;
            EXPECT_FALSE(kind.save(h));
            g_Sweep.current = nullptr;
            EXPECT_NE(x.errors.find("ファイルの書き込みに失敗しました"), std::string::npos) << x.errors;
            EXPECT_EQ(fs::exists(file), before);
            EXPECT_EQ(before ? qtest::ReadBytes(file) : FileBytes(), old);
            EXPECT_EQ(qtest::WriterLeftovers(dir_.path()), std::vector<std::string>());
        }
}

// A copy that holds the lock, ended before any step of its write, in each
// way of writing: nothing is kept, nothing said.
TEST_F(WriteSweep, ALoneCopyEndedAnywhereLeavesNothingKeptAndNoLine) {
    Timed([&] { return LoneCopiesEnded(); });
}

TEST_F(WriteSweep, AStartEndedAnywhereIsFinishedByTheNext) {
    Timed([&] { return StartsEnded(); });
}

TEST_F(WriteSweep, WhatAWriteReturnedSurvivesAPowerCut) {
    Timed([&] { return PowerCuts(false); });
}

// The whole sweep, which the test command leaves out (ctest -L whole runs
// it): every copy ended before every step, Y's write before every step of
// X's that changes a name, a power cut before every step of each of those
// meetings.
TEST_F(WriteSweep, WholeTwoCopiesEnded) {
    Timed([&] { return TwoCopiesEnded({true, true}); });
}

TEST_F(WriteSweep, WholePowerCuts) {
    Timed([&] { return PowerCuts(true); });
}

} // namespace
