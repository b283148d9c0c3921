#include "platform/system/environment.h"
#include "platform/system/thread_name.h"
#include "platform/system/time_zone.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>

namespace {

TEST(ThreadName, CutToWhatTheSystemHolds) {
    const struct {
        std::string given;
        std::string shown;
    } cases[] = {
        {"loader", "loader"},
        {"", ""},
        {"exactly15bytes_", "exactly15bytes_"},
        {"a name far longer than fifteen", "a name far long"},
    };
    for (const auto& c : cases) {
        std::string shown = "unread";
        std::thread t([&] {
            psys::name_current_thread(c.given);
            char buf[64] = {};
            if (pthread_getname_np(pthread_self(), buf, sizeof buf) == 0) shown = buf;
        });
        t.join();
        EXPECT_EQ(shown, c.shown) << c.given;
    }
}

TEST(Environment, VariablesAndNumbers) {
    const char* name = "QUILLON_ENVIRONMENT_TEST";
    setenv(name, "ja_JP.UTF-8", 1);
    EXPECT_EQ(psys::environment_variable(name), "ja_JP.UTF-8");
    setenv(name, "", 1);
    EXPECT_EQ(psys::environment_variable(name), "");
    unsetenv(name);
    EXPECT_EQ(psys::environment_variable(name), "");

    // As strtod reads them: leading blanks, a sign, hex and infinities, and
    // a comma ends the number whatever the locale.
    const struct {
        const char* text;
        double want;
    } numbers[] = {
        {"1.5", 1.5}, {"  -2.25x", -2.25}, {"+.5e1", 5.0}, {"1,5", 1.0}, {"0x10", 16.0}, {"1e999", HUGE_VAL}, {"", 0.0},
    };
    for (const auto& n : numbers) EXPECT_EQ(psys::parse_double_c(n.text), n.want) << n.text;
}

TEST(LocalDateTime, AMomentTheCalendarCannotShowGivesTheDefaults) {
    const psys::local_date_time d = psys::local_date_time_of(INT64_MAX);
    EXPECT_EQ(d.year, 1900);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 0);
    EXPECT_EQ(d.week_day, 0);
    EXPECT_EQ(d.year_day, 0);
}

} // namespace
