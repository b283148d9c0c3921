// The rules of files written whole that the game data's sweeps cannot pin
// by what is lost: the way each file system is given, and under which
// number a held file is kept, once.
#include "platform/system/safe_file.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The steps a file system lacks, as it refuses them.
const char* g_Lacks = "";
int g_Steps = 0;
int Lacking(const char* step, const std::string&, const std::string&) {
    ++g_Steps;
    if (std::strcmp(step, "exchange") == 0 && std::strchr(g_Lacks, 'x')) return EINVAL;
    if (std::strcmp(step, "link") == 0 && std::strchr(g_Lacks, 'l')) return EPERM;
    if (std::strcmp(step, "move") == 0 && std::strchr(g_Lacks, 'm')) return EINVAL;
    return 0;
}

// Each folder is tried once, by files of the probe's own that it leaves
// nowhere, and given the first way its file system can do.
TEST(FolderWays, EachFileSystemIsGivenTheWayItCanDo) {
    struct Row {
        const char* lacks;
        psys::write_way way;
        const char* said;
    } rows[] = {
        {"", psys::write_way::exchange, "名前の入れ替え"},
        {"x", psys::write_way::link, "ハードリンク"},
        // FAT on Linux 6: names exchanged, but no links to keep a write's bytes by.
        {"l", psys::write_way::move, "置き換えない移動"},
        {"xl", psys::write_way::move, "置き換えない移動"},
        {"xlm", psys::write_way::look, "確かめてからの移動"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lacks);
        qtest::TempDir dir;
        psys::forget_folders();
        g_Lacks = row.lacks;
        psys::set_safe_file_step_hook(Lacking);
        std::string said;
        EXPECT_EQ(psys::folder_way(dir.str() + "/", &said), row.way);
        EXPECT_EQ(said, row.said);
        EXPECT_TRUE(fs::is_empty(dir.path()));
        // Known from then on, for the folder however it is named.
        g_Steps = 0;
        EXPECT_EQ(psys::folder_way(dir.str()), row.way);
        EXPECT_EQ(g_Steps, 0);
        psys::set_safe_file_step_hook(nullptr);
    }
    psys::forget_folders();
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
    };
    const auto rule = [](const char* why, unsigned limit) {
        psys::keep_rule r;
        r.why = why;
        r.limit = limit;
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
        {"the thumbnail's first kept name taken", {}, small, other, [&] {
             psys::keep_rule r = rule("changed", 999);
             r.beside = "companion";
             return r;
         }(), outcome::kept, 2, {1}},
        {"the bytes that stand at its name", {}, small, small, rule("changed", 999), outcome::same_bytes, 0},
        {"the bytes of one kept past a gap", {}, small, other, rule("changed", 999), outcome::same_bytes, 0, {}, 3},
        {"bytes that differ from those at its name only in the last of 20 KiB", {}, Filled(20 << 10, 'h'),
         Filled(20 << 10, 's'), rule("changed", 999), outcome::kept, 1},
        {"bytes that differ from those at its name only in the last of 200 KiB", {}, Filled(200 << 10, 'h'),
         Filled(200 << 10, 's'), rule("changed", 999), outcome::kept, 1},
        {"a damaged file, eight kept before", eight, small, other, rule("damaged", 8), outcome::beyond_limit, 0},
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
            {outcome::beyond_limit, psys::settle_note::kind::beyond_limit}};
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes.back().what, said.at(row.expected));
        EXPECT_EQ(fs::exists(heldPath), row.expected == outcome::no_name);
        if (row.expected == outcome::kept) {
            EXPECT_EQ(result.name, psys::kept_name(final, row.number, r.why));
            EXPECT_EQ(qtest::ReadBytes(result.name), row.held);
            EXPECT_EQ(notes.back().target, result.name);
        }
        if (row.expected == outcome::same_bytes) {
            EXPECT_EQ(notes.back().target, row.keptSame ? psys::kept_name(final, row.keptSame, r.why) : final);
        }
    }
}

} // namespace
