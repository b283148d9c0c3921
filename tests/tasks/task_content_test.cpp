#include "TestTasks.h"
#include "tasks/GxTaskFolder.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "support/LogCapture.h"
#include "tests/io/content_values.h"

#include <gtest/gtest.h>

namespace {

template <class Writer>
std::vector<u8> Save(GxTaskBase* task) {
    return iotest::WriteToMemory<Writer>([&](Writer& w) { EXPECT_TRUE(task->WriteContent(&w)); });
}

TEST(TaskContent, FolderFieldsRoundTripInBothForms) {
    GxTaskManage m;
    auto* top = new GxTaskBase(&m);
    auto* a = new GxTaskFolder(top, u"a");
    ASSERT_TRUE(a->SetTaskID(0x1234567890ull));
    a->Suspend();
    a->SetAcceptUIEventFlag(true);
    const std::vector<u8> binary = Save<GxContentBinaryWriter>(a);
    EXPECT_EQ(binary, (std::vector<u8>{0x06, 0, 0, 0, 2, 0x07, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 0x90, 0x0B, 1, 0x0B, 0}))
        << "state as GxU32, id as GxS64, then the two flags";
    const std::vector<u8> text = Save<GxContentTextWriter>(a);

    for (const std::vector<u8>* bytes : {&binary, &text}) {
        auto* b = new GxTaskFolder(top, u"b");
        GxUIEventParam ev(UIEVENT_DECIDE, top);
        b->SetAcceptUIEventFlag(false);
        b->SetInstantUIEventFlag(true);
        ASSERT_TRUE(b->SetTaskID(5));
        delete a;  // frees the id the copy takes
        a = nullptr;
        const auto read = [b](GxContentReaderBase&& r) { return b->ReadContent(&r); };
        EXPECT_TRUE(bytes == &binary ? read(GxContentBinaryReader(bytes->data(), u32(bytes->size()), true))
                                     : read(GxContentTextReader(bytes->data(), u32(bytes->size()), true)));
        EXPECT_EQ(b->GetTaskID(), 0x1234567890ull);
        EXPECT_EQ(m.FindTaskID(5), nullptr) << "the old id is given up";
        EXPECT_EQ(m.FindTaskID(0x1234567890ull), b);
        EXPECT_TRUE(b->IsSuspended());
        EXPECT_TRUE(b->GetAcceptUIEventFlag());
        EXPECT_FALSE(b->GetInstantUIEventFlag());
        a = b;
    }
}

// A stored id another task holds is not taken; a bad stored state is refused.
TEST(TaskContent, StoredIdsAnotherTaskHoldsAndBadStatesAreRefused) {
    qtest::LogCapture log;
    GxTaskManage m;
    auto* top = new GxTaskBase(&m);
    auto* owner = new GxTaskBase(top, u"owner");
    ASSERT_TRUE(owner->SetTaskID(42));
    const std::vector<u8> bytes = Save<GxContentBinaryWriter>(owner);
    auto* copy = new GxTaskBase(top, u"copy");
    GxContentBinaryReader r(bytes.data(), u32(bytes.size()), true);
    EXPECT_FALSE(copy->ReadContent(&r));
    EXPECT_TRUE(log.Contains("GxTaskManage::RegisterTaskID/TaskID重複を検出 (42,copy)\n")) << log.Text();
    EXPECT_EQ(copy->GetTaskID(), 0u);
    delete copy;
    EXPECT_EQ(m.FindTaskID(42), owner) << "deleting the copy leaves the owner registered";

    const std::vector<u8> badState = {0x06, 0, 0, 0, 9, 0x07, 0, 0, 0, 0, 0, 0, 0, 0};
    GxContentBinaryReader bad(badState.data(), u32(badState.size()), true);
    auto* t = new GxTaskBase(top);
    EXPECT_FALSE(t->ReadContent(&bad));
    EXPECT_TRUE(t->IsRunning());
    EXPECT_TRUE(log.Contains("GxTaskBase::ReadContent/m_GlobalStateが不正です(9)\n")) << log.Text();

    const std::vector<u8> truncated = {0x06, 0, 0};
    GxContentBinaryReader r2(truncated.data(), u32(truncated.size()), false);
    EXPECT_FALSE(t->ReadContent(&r2));
    EXPECT_EQ(t->GetTaskID(), 0u);
}

} // namespace
