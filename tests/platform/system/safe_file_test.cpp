// The rules of files written whole that the game data's sweeps cannot pin
// by what is lost: the way each file system is given and the name a folder
// is known by, under which number a held file is kept, once, what a commit
// with the lock does where nothing stood, and where a companion goes. The
// numbers cited are those of the design block in safe_file.h.
#include "platform/system/safe_file.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The steps a file system lacks, as it refuses them, and what a row does
// at one step besides (at the path it names, or at any).
const char* g_Lacks = "";
int g_Steps = 0;
std::function<int(const char* step, const std::string& path, const std::string& from)> g_Also;
int Lacking(const char* step, const std::string& path, const std::string& from) {
    ++g_Steps;
    if (std::strcmp(step, "exchange") == 0 && std::strchr(g_Lacks, 'x')) return EINVAL;
    if (std::strcmp(step, "link") == 0 && std::strchr(g_Lacks, 'l')) return EPERM;
    if (std::strcmp(step, "move") == 0 && std::strchr(g_Lacks, 'm')) return EINVAL;
    return g_Also ? g_Also(step, path, from) : 0;
}

// While it lives, the folder's file system lacks what lacks names, and
// also runs at each step.
struct FileSystemLacking {
    FileSystemLacking(const char* lacks, decltype(g_Also) also = {}) {
        psys::forget_folders();
        g_Lacks = lacks;
        g_Also = std::move(also);
        psys::set_safe_file_step_hook(Lacking);
    }
    ~FileSystemLacking() {
        psys::set_safe_file_step_hook(nullptr);
        g_Also = nullptr;
        psys::forget_folders();
    }
};

// Each folder is tried once, by files of the probe's own that it leaves
// nowhere, and given the first way its file system can do, said in a few
// words; a step that fails for a reason that says nothing of the file
// system teaches nothing, and the next write tries again.
TEST(FolderWays, EachFileSystemIsGivenTheWayItCanDo) {
    struct Row {
        const char* lacks;
        psys::write_way way;
        const char* said;
        int moveFailsOnceWith = 0;  // the errno of a move that fails once
    } rows[] = {
        {"", psys::write_way::exchange, "名前の入れ替え"},
        {"x", psys::write_way::link, "ハードリンク"},
        // FAT on Linux 6: names exchanged, but no links to keep a write's bytes by.
        {"l", psys::write_way::move, "置き換えない移動"},
        {"xl", psys::write_way::move, "置き換えない移動"},
        {"xlm", psys::write_way::look, "確かめてからの移動"},
        {"xl", psys::write_way::move, "置き換えない移動", EIO},
        {"xl", psys::write_way::move, "置き換えない移動", EACCES},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.lacks) +
                     (row.moveFailsOnceWith ? ", a move failing once: " + std::string(std::strerror(row.moveFailsOnceWith)) : ""));
        qtest::TempDir dir;
        int failures = row.moveFailsOnceWith ? 1 : 0;
        FileSystemLacking lacking(row.lacks, [&](const char* step, const std::string&, const std::string&) {
            return std::strcmp(step, "move") == 0 && failures-- > 0 ? row.moveFailsOnceWith : 0;
        });
        std::string said;
        if (row.moveFailsOnceWith) {
            psys::folder_way(dir.str(), &said);
            EXPECT_EQ(said, "不明(ファイルを作れません)");
        }
        EXPECT_EQ(psys::folder_way(dir.str() + "/", &said), row.way);
        EXPECT_EQ(said, row.said);
        EXPECT_TRUE(fs::is_empty(dir.path()));
        // Known from then on, for the folder however it is named.
        g_Steps = 0;
        EXPECT_EQ(psys::folder_way(dir.str() + "/./"), row.way);
        EXPECT_EQ(g_Steps, 0);
    }
}

// A folder is known by one name however a path names it: the writers'
// folder of "permanent.dat" is the same as a start's "" or "./".
TEST(FolderWays, AFolderIsKnownByOneName) {
    const std::pair<std::string, std::string> rows[] = {
        {"", "."}, {".", "."}, {"./", "."}, {"./save", "save"}, {"save//", "save"},
        {"a/./b//", "a/b"}, {"/", "/"}, {"//a/", "/a"}, {"../up/", "../up"},
    };
    for (const auto& [given, key] : rows) EXPECT_EQ(psys::folder_key(given), key) << given;
}

std::vector<unsigned char> Filled(size_t size, unsigned char last) {
    std::vector<unsigned char> bytes(size, 'a');
    bytes.back() = last;
    return bytes;
}

// A held file is kept under the first free number from the rule's first,
// past whatever stands (and, for a save, past a number whose thumbnail's
// name is taken), up to the limit; never where its bytes stand already,
// compared to their ends.
TEST(KeptFiles, AHeldFileIsKeptOnceUnderTheFirstFreeNumber) {
    using outcome = psys::keep_result::outcome;
    struct Row {
        const char* what;
        std::vector<unsigned> kept;  // numbers kept before, each with other bytes
        std::vector<unsigned char> held, standing;
        psys::keep_rule rule;
        outcome expected;
        unsigned number;
        std::vector<unsigned> besideTaken = {};
        unsigned keptSame = 0;       // a number kept before with the held bytes
        bool keptMeanwhile = false;  // another copy keeps the held bytes at the first number as this one moves
        bool otherMeanwhile = false; // ... or other bytes
        bool goneMeanwhile = false;  // ... or the held name goes: a start without the lock put it back, and
                                     // a write took it again under a name of its own
    };
    const auto rule = [](const char* why, unsigned limit, const char* beside = "") {
        psys::keep_rule r;
        r.why = why, r.limit = limit, r.beside = beside;
        return r;
    };
    std::vector<unsigned> all998, all999, eight;
    for (unsigned n = 1; n <= 998; ++n) all998.push_back(n);
    all999 = all998;
    all999.push_back(999);
    for (unsigned n = 1; n <= 8; ++n) eight.push_back(n);
    const auto small = Filled(100, 'h'), other = Filled(100, 's');
    const Row rows[] = {
        {"none kept before", {}, small, other, rule("changed", 999), outcome::kept, 1},
        {"past a gap", {2}, small, other, rule("changed", 999), outcome::kept, 1},
        {"998 kept before", all998, small, other, rule("changed", 999), outcome::kept, 999},
        {"999 kept before", all999, small, other, rule("changed", 999), outcome::no_name, 0},
        {"the thumbnail's first kept name taken", {}, small, other, rule("changed", 999, "companion"), outcome::kept, 2, {1}},
        {"the bytes that stand at its name", {}, small, small, rule("changed", 999), outcome::same_bytes, 0},
        {"the bytes of one kept past a gap", {}, small, other, rule("changed", 999), outcome::same_bytes, 0, {}, 3},
        {"bytes that differ from those at its name only in the last of 20 KiB", {}, Filled(20 << 10, 'h'),
         Filled(20 << 10, 's'), rule("changed", 999), outcome::kept, 1},
        {"bytes that differ from those at its name only in the last of 200 KiB", {}, Filled(200 << 10, 'h'),
         Filled(200 << 10, 's'), rule("changed", 999), outcome::kept, 1},
        {"a damaged file, eight kept before", eight, small, other, rule("damaged", 8), outcome::beyond_limit, 0},
        {"the same bytes kept there by another copy in that instant", {}, small, other, rule("changed", 999),
         outcome::same_bytes, 0, {}, 0, true},
        {"other bytes put there by another copy in that instant", {}, small, other, rule("changed", 999),
         outcome::kept, 2, {}, 0, false, true},
        {"the held name settled by another in that instant", {}, small, other, rule("changed", 999), outcome::gone,
         0, {}, 0, false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        qtest::TempDir dir;
        psys::forget_folders();
        const std::string final = dir.str() + "/gamedata001.gd";
        qtest::WriteBytes(final, row.standing);
        for (const unsigned n : row.kept) qtest::WriteText(psys::kept_name(final, n, row.rule.why), "before " + std::to_string(n));
        if (row.keptSame) qtest::WriteBytes(psys::kept_name(final, row.keptSame, row.rule.why), row.held);
        psys::keep_rule r = row.rule;
        if (!r.beside.empty()) r.beside = dir.str() + "/thumb001.png";
        for (const unsigned n : row.besideTaken) qtest::WriteText(psys::kept_name(r.beside, n, r.why), "taken");
        const std::string heldPath = final + ".1-00.held";
        qtest::WriteBytes(heldPath, row.held);
        FileSystemLacking lacking("", [&](const char* step, const std::string& path, const std::string&) {
            if ((row.keptMeanwhile || row.otherMeanwhile) && std::strcmp(step, "move") == 0 && !fs::exists(path) &&
                path == psys::kept_name(final, 1, row.rule.why))
                qtest::WriteBytes(path, row.keptMeanwhile ? row.held : row.standing);
            if (row.goneMeanwhile && std::strcmp(step, "move") == 0) fs::rename(heldPath, final + ".1-01.held");
            return 0;
        });
        std::vector<psys::settle_note> notes;
        const psys::keep_result result =
            psys::keep_held({heldPath, final, {}}, r, [&](const psys::settle_note& n) { notes.push_back(n); });
        EXPECT_EQ(result.what, row.expected);
        EXPECT_EQ(result.number, row.number);
        // Kept at that name, said just before; or gone, said; or left where
        // it is held, said.
        const std::map<outcome, psys::settle_note::kind> said = {
            {outcome::kept, psys::settle_note::kind::keeping},
            {outcome::same_bytes, psys::settle_note::kind::same_bytes},
            {outcome::no_name, psys::settle_note::kind::no_name},
            {outcome::beyond_limit, psys::settle_note::kind::beyond_limit},
            {outcome::gone, psys::settle_note::kind::gone}};
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes.back().what, said.at(row.expected));
        EXPECT_EQ(fs::exists(heldPath), row.expected == outcome::no_name);
        if (row.otherMeanwhile) {
            // Said of the name it could not take, before the one it took.
            ASSERT_EQ(notes.size(), 3u);
            EXPECT_EQ(notes[1].what, psys::settle_note::kind::name_taken);
            EXPECT_EQ(notes[1].target, psys::kept_name(final, 1, r.why));
        }
        if (row.expected == outcome::kept) {
            EXPECT_EQ(result.name, psys::kept_name(final, row.number, r.why));
            EXPECT_EQ(qtest::ReadBytes(result.name), row.held);
            EXPECT_EQ(notes.back().target, result.name);
        }
        if (row.expected == outcome::same_bytes) {
            EXPECT_EQ(notes.back().target, row.keptSame || row.keptMeanwhile ? psys::kept_name(final, row.keptSame, r.why) : final);
            EXPECT_FALSE(fs::exists(psys::kept_name(final, 2, r.why)));
        }
    }
}

// A copy with the lock where nothing stood places its file where nothing
// stands still: a file another program put there since its look is held
// (R4), not replaced, in each way that places without replacing; so is a
// symbolic link to the write's temporary file. The write's own file, which
// a start without the lock put there (linked, or moved where there are no
// links: a companion written whole), is placed, with the lock or without,
// and not held.
TEST(Commits, AFileThatCameWhereNothingStoodIsHeldButTheWritesOwnIsPlaced) {
    for (const char* lacks : {"", "x", "xl"})
        for (const std::string what : {"another program's", "a link to its own", "its own", "its own, unlocked"}) {
            if (what == "a link to its own" && std::strchr(lacks, 'l')) continue;
            SCOPED_TRACE(std::string(lacks) + ": " + what);
            qtest::TempDir dir;
            const std::string path = dir.str() + "/userconf.dat";
            const bool own = what.starts_with("its own");
            bool came = false;
            FileSystemLacking lacking(lacks, [&](const char* step, const std::string& at, const std::string& from) {
                if ((std::strcmp(step, "move") == 0 || std::strcmp(step, "link") == 0) && at == path && !came) {
                    came = true;
                    if (what == "a link to its own") fs::create_symlink(from, at);
                    else if (!own) qtest::WriteText(at, what);
                    else if (std::strchr(lacks, 'l')) fs::rename(from, at);
                    else fs::create_hard_link(from, at);
                }
                return 0;
            });
            psys::set_folder_locked(dir.str(), what != "its own, unlocked");
            psys::safe_file f;
            ASSERT_TRUE(f.open(path));
            std::fputs("mine", f.stream());
            f.hold_replaced([](const psys::file_status* now) { return now == nullptr; });
            ASSERT_TRUE(f.commit()) << f.error();
            EXPECT_TRUE(came);
            EXPECT_EQ(qtest::ReadText(path), "mine");
            const std::vector<psys::held_file> held = f.take_held();
            ASSERT_EQ(held.size(), own ? 0u : 1u);
            if (own) EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
            else if (what == "a link to its own") EXPECT_TRUE(fs::is_symlink(held[0].path));
            else EXPECT_EQ(qtest::ReadText(held[0].path), what);
        }
}

// The contents of a companion file in these rows: its mark, then what tells
// it from others. The mark of a main's bytes is the one a write gives them.
std::string MarkOf(const std::string& path) {
    const std::string text = qtest::ReadText(path);
    return text.substr(0, text.find('|'));
}
std::string HashMark(const std::string& bytes) { return psys::mark_of_bytes(bytes.data(), bytes.size()); }
std::string LastReleaseMark(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    char text[96];
    std::snprintf(text, sizeof text, "%llx:%llx:%llx:%lld.%09ld", (unsigned long long)st.st_dev,
                  (unsigned long long)st.st_ino, (unsigned long long)st.st_size, (long long)st.st_mtim.tv_sec,
                  (long)st.st_mtim.tv_nsec);
    return text;
}

// A companion in hand goes with the main it was written with (I7): beside it
// wherever it stands, by a hash exactly (removed where that stands
// nowhere); one of an older form that finds nothing goes with the main its
// write kept, is removed where its write dropped that, and otherwise goes
// beside a main left alone (at its own name, then the highest kept number,
// as damaged first; one naming a hash that finds nothing, only with the
// lock, and only beside a kept one) or waits while a write holds a main.
// Another user's file beside a main is never read for what it names, nor
// taken (I6). The one standing beside a main that it names too stays. What
// stood at the place is taken under a held name of the companion's own, and
// one another copy put there between the take and the place is held too,
// not replaced (I2); a put that fails is said. Where a read that would
// tell where it goes fails (its mark, its main's, the folder's names, the
// mark of the one standing), it stays in hand, said.
TEST(Companions, EachGoesWithTheMainItWasWrittenWith) {
    using was = psys::companion_hand::main_was;
    using kind = psys::settle_note::kind;
    // Names: "s" the main (a save), "t" the companion (a thumbnail);
    // contents "{A}" stand for the hash mark of "A", "{old:<name>}" for an
    // earlier release's mark of the file there (written first).
    struct Row {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        std::string hand;
        std::vector<std::pair<std::string, std::string>> after;  // "" for nothing there
        kind said = kind::put_back;                             // the first note
        const char* lacks = "";
        const char* also = "";  // "end after the take", "intrude", "refuse the place", "with the lock",
                                // "t another user's", "refuse the read of <name, hand or .>"
        int result = 0;
        was main = was::not_known;
        unsigned keptWith = 0;
    } rows[] = {
        {"a hash, its main at its name", {{"s", "A"}}, "{A}|h", {{"t", "{A}|h"}}},
        {"a hash, its main kept", {{"s", "B"}, {"s.2.changed", "A"}}, "{A}|h", {{"t.2.changed", "{A}|h"}, {"t", ""}},
         kind::keeping},
        {"a hash naming nothing that stands", {{"s", "B"}, {"s.changed", "C"}}, "{A}|h", {{"t", ""}, {"t.changed", ""}},
         kind::orphan},
        {"a hash naming a main a write holds", {{"s", "B"}, {"s.1-ab.held", "A"}}, "{A}|h", {{"t", ""}}, kind::failed},
        {"an earlier release's mark, its main found by size and time", {{"s", "BB"}, {"s.changed", "A"}},
         "{old:s.changed}|o", {{"t.changed", "{old:s.changed}|o"}}, kind::keeping},
        {"an older mark finding nothing, its main kept by its write", {{"s", "B"}, {"s.3.changed", "A"}},
         "1:2:3:4.000000005|o", {{"t.3.changed", "1:2:3:4.000000005|o"}}, kind::keeping, "", "", 0, was::kept, 3},
        {"no mark, its main dropped by its write", {{"s", "B"}, {"s.changed", "C"}}, "|n",
         {{"t", ""}, {"t.changed", ""}}, kind::orphan, "", "", 0, was::dropped, 0},
        {"no mark, the main at its name alone", {{"s", "B"}}, "|n", {{"t", "|n"}}},
        {"no mark, the main at its name beside another's", {{"s", "B"}, {"t", "{Z}|z"}}, "|n", {{"t", "|n"}}},
        {"no mark, the highest kept main alone",
         {{"s", "B"}, {"t", "{B}|t"}, {"s.changed", "C"}, {"s.2.changed", "D"}, {"s.3.changed", "E"},
          {"t.3.changed", "{E}|e"}},
         "|n", {{"t.2.changed", "|n"}, {"t.changed", ""}, {"t", "{B}|t"}}, kind::keeping},
        {"no mark, every main with its own", {{"s", "B"}, {"t", "{B}|t"}}, "|n", {{"t", "{B}|t"}}, kind::orphan},
        {"no mark, the main at its name beside another user's file naming another", {{"s", "B"}, {"t", "{Z}|z"}}, "|n",
         {{"t", "{Z}|z"}}, kind::orphan, "", "t another user's"},
        {"a hash naming nothing that stands, with the lock: beside the main kept as damaged",
         {{"s", "B"}, {"s.changed", "C"}, {"s.damaged", "D"}}, "{A}|h",
         {{"t.damaged", "{A}|h"}, {"t", ""}, {"t.changed", ""}}, kind::keeping, "", "with the lock"},
        {"no mark beside an older one at the main's name: the one standing stays", {{"s", "B"}, {"t", "|x"}}, "|n",
         {{"t", "|x"}}, kind::orphan},
        {"no mark while a write holds a main", {{"s", "B"}, {"t", "{B}|t"}, {"s.1-ab.held", "C"}}, "|n",
         {{"t", "{B}|t"}}, kind::failed},
        {"two marks of two forms naming one main: the one standing stays", {{"s", "A"}, {"t", "{old:s}|s"}}, "{A}|h",
         {{"t", "{old:s}|s"}}, kind::twin},
        {"what stands at a kept name, taken, is held under the companion's own name",
         {{"s", "B"}, {"s.changed", "A"}, {"t.changed", "{Z}|z"}}, "{A}|h", {{"t.changed", ""}}, kind::keeping, "x",
         "end after the take", EIO},
        {"another copy's put between the take and the place, links", {{"s", "A"}, {"s.changed", "C"}, {"t", "{B}|b"}},
         "{A}|h", {{"t", "{A}|h"}, {"t.changed", "{C}|intruder"}}, kind::put_back, "x", "intrude"},
        {"another copy's put between the take and the place, moves", {{"s", "A"}, {"s.changed", "C"}, {"t", "{B}|b"}},
         "{A}|h", {{"t", "{A}|h"}, {"t.changed", "{C}|intruder"}}, kind::put_back, "xl", "intrude"},
        {"a place refused", {{"s", "A"}}, "{A}|h", {{"t", ""}}, kind::put_back, "x", "refuse the place", EACCES},
        {"a hash that cannot be read, its main kept beside another's",
         {{"s", "B"}, {"t", "{B}|t"}, {"s.changed", "A"}, {"t.changed", "{C}|c"}}, "{A}|h",
         {{"t", "{B}|t"}, {"t.changed", "{C}|c"}}, kind::failed, "", "refuse the read of hand", EIO},
        {"a hash whose main this user may not read", {{"s", "A"}}, "{A}|h", {{"t", ""}}, kind::failed, "",
         "refuse the read of s", EACCES},
        {"a hash whose main is kept, the folder's names unread", {{"s", "B"}, {"s.changed", "A"}}, "{A}|h",
         {{"t.changed", ""}}, kind::failed, "", "refuse the read of .", EIO},
        {"no mark, the main at its name beside one whose mark cannot be read", {{"s", "B"}, {"t", "{Z}|z"}}, "|n",
         {{"t", "{Z}|z"}}, kind::failed, "", "refuse the read of t", EIO},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        qtest::TempDir dir;
        const auto at = [&](const std::string& name) {
            std::string path = dir.str() + "/" + (name[0] == 's' ? "gamedata005.gd" : "thumb005.png") + name.substr(1);
            return path;
        };
        const auto resolve = [&](std::string text) {
            for (size_t open; (open = text.find('{')) != std::string::npos;) {
                const size_t close = text.find('}', open);
                const std::string inner = text.substr(open + 1, close - open - 1);
                text.replace(open, close - open + 1,
                             inner.starts_with("old:") ? LastReleaseMark(at(inner.substr(4))) : HashMark(inner));
            }
            return text;
        };
        std::map<std::string, std::string> wrote;
        for (const auto& [name, text] : row.files) qtest::WriteText(at(name), wrote[name] = resolve(text));
        if (std::string(row.also) == "t another user's" && (geteuid() != 0 || chown(at("t").c_str(), 65534, 65534) != 0))
            continue;
        const std::string hand = dir.str() + "/thumb005.png.1-cd.held";
        qtest::WriteText(hand, resolve(row.hand));
        bool taken = false, ended = false, intruded = false;
        const std::string intruder = resolve("{C}|intruder");
        std::optional<FileSystemLacking> lacking;
        lacking.emplace(row.lacks, [&](const char* step, const std::string& path, const std::string& from) {
            const std::string also = row.also;
            if (ended) return EIO;
            const bool places = (std::strcmp(step, "link") == 0 || std::strcmp(step, "move") == 0) && from == hand;
            if (also == "end after the take" && taken) return ended = true, EIO;
            taken = taken || (std::strcmp(step, "rename") == 0 && from == at("t.changed"));
            if (also == "intrude" && places && !intruded) intruded = qtest::WriteText(path, intruder);
            if (also == "refuse the place" && places) return EACCES;
            if (also == "refuse the read of ." && std::strcmp(step, "read") == 0 && path == dir.str()) return EIO;
            return 0;
        });
        psys::set_folder_locked(dir.str(), std::string(row.also) == "with the lock");
        // A companion's mark read by the pair's reader, which fails where
        // the row says; a main's by the settling itself, from a file this
        // user may not read.
        const std::string unread = std::string(row.also).starts_with("refuse the read of ") ? row.also + 19 : "";
        const std::string unreadPath = unread == "hand" ? hand : unread.empty() || unread == "." ? "" : at(unread);
        std::optional<qtest::UnreadableFile> unreadable;
        if (unread == "s") unreadable.emplace(unreadPath);
        const psys::file_pair pair{at("s"), at("t"), [&](const std::string& path) {
                                       return path == unreadPath ? psys::mark_read::failed(EIO)
                                                                 : psys::mark_read(MarkOf(path));
                                   }};
        std::vector<psys::settle_note> notes;
        const int result = psys::settle_companions(pair, {{{hand, at("t"), {}}, row.main, row.keptWith}},
                                                   [&](const psys::settle_note& n) { notes.push_back(n); });
        unreadable.reset();
        lacking.reset();
        EXPECT_EQ(result, row.result);
        if (row.said == kind::failed) {
            // Left in hand: unsaid while a write holds a main, said where a
            // read failed.
            EXPECT_TRUE(fs::exists(hand));
            EXPECT_EQ(notes.size(), row.result ? 1u : 0u);
            if (row.result) {
                EXPECT_TRUE(notes[0].what == kind::failed && notes[0].path == hand);
            }
        } else {
            ASSERT_FALSE(notes.empty());
            EXPECT_EQ(notes.front().what, row.said);
        }
        if (row.result == EACCES) {
            EXPECT_EQ(notes.back().what, kind::failed);
        }
        for (const auto& [name, text] : row.after) {
            if (text.empty()) {
                EXPECT_FALSE(fs::exists(at(name))) << name;
            } else {
                EXPECT_EQ(qtest::ReadText(at(name)), resolve(text)) << name;
            }
        }
        if (std::string(row.also) == "end after the take") {
            // A later start knows the name: the companion's own.
            std::vector<std::string> held;
            for (const auto& entry : fs::directory_iterator(dir.path()))
                if (entry.path().string().ends_with(".held") && entry.path().string() != hand)
                    held.push_back(entry.path().filename().string());
            ASSERT_EQ(held.size(), 1u);
            EXPECT_TRUE(held[0].starts_with("thumb005.png.") && !held[0].starts_with("thumb005.png.changed.")) << held[0];
        }
        // Nothing else is lost: every main written stands, and every
        // companion but one naming no main by its hash (or one of an older
        // form the row says goes).
        std::set<std::string> standing, marks;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            standing.insert(qtest::ReadText(entry.path()));
            marks.insert(HashMark(qtest::ReadText(entry.path())));
        }
        for (const auto& [name, text] : wrote) {
            const bool mayGo = name[0] == 't' && (!marks.count(text.substr(0, text.find('|'))) ||
                                                  row.said == kind::orphan || row.said == kind::twin);
            EXPECT_TRUE(standing.count(text) || mayGo) << name;
        }
    }
}

} // namespace
