// The program's own resources: compiled in, found by number and type, with
// the bytes of the file they were made from.
#include "platform/system/resources.h"
#include "support/Golden.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(Resources, TheEnginesImageIsFoundByNumberAndType) {
    const psys::resource* r = psys::find_resource(nullptr, 102, u"PNG");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(psys::find_resource(nullptr, 102, u"png"), r) << "types match without regard to case";
    const std::filesystem::path source =
        qtest::SourcePath("platform/system/resources/102_PNG.png");
    const std::vector<unsigned char> file = qtest::ReadBytes(source);
    ASSERT_FALSE(file.empty()) << source;
    ASSERT_EQ(psys::sizeof_resource(nullptr, r), file.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), psys::load_resource(nullptr, r)));

    EXPECT_EQ(psys::find_resource(nullptr, 103, u"PNG"), nullptr);
    EXPECT_EQ(psys::find_resource(nullptr, 102, u"BMP"), nullptr);
    int other = 0;
    EXPECT_EQ(psys::find_resource(&other, 102, u"PNG"), nullptr) << "the program is the only module";
    EXPECT_EQ(psys::load_resource(nullptr, nullptr), nullptr);
    EXPECT_EQ(psys::sizeof_resource(nullptr, nullptr), 0u);
}

} // namespace
