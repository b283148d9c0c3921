// Stored task and folder fields read back from an untrusted stream, binary
// form then text form: whatever the bytes say, the task keeps a valid state
// and an id that it alone owns.
#include "tasks/GxTaskFolder.h"
#include "tasks/GxTaskManage.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentTextReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    GxTaskManage manager;
    auto* top = new GxTaskBase(&manager);
    auto* holder = new GxTaskBase(top, u"holder");
    holder->SetTaskID(1);
    auto* folder = new GxTaskFolder(top, u"folder");
    {
        GxContentBinaryReader r(data, u32(size), false);
        folder->ReadContent(&r);
    }
    {
        GxContentTextReader r(data, u32(size), false);
        folder->ReadContent(&r);
    }
    const s32 state = folder->GetGlobalState();
    if (state < kGxTaskRunning || state > kGxTaskKilled) std::abort();
    if (folder->GetTaskID() != 0 && manager.FindTaskID(folder->GetTaskID()) != folder) std::abort();
    if (manager.FindTaskID(1) != holder) std::abort();
    return 0;
}
