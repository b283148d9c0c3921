#include "support/FakeCore.h"

namespace qtest {

FakeCore::FakeCore()
    : m_Config(std::make_unique<GxSystemConfig>()),
      m_Assets(std::make_unique<GxSharedAssetManage>()),
      m_TaskManage(std::make_unique<GxTaskManage>(this)) {}

FakeCore::~FakeCore() {
    for (GxTaskRenderManage& l : m_Lists) l.Clear();
    m_TaskManage.reset();
    m_Assets.reset();
}

GxTaskRenderManage* FakeCore::GetRenderList(int listIndex) {
    if (listIndex < 0 || listIndex >= kRenderListCount) return nullptr;
    return &m_Lists[m_Bank * kRenderListCount + listIndex];
}

void FakeCore::ClearRenderLists() {
    for (int i = 0; i < kRenderListCount; ++i) m_Lists[m_Bank * kRenderListCount + i].Clear();
}

void FakeCore::DrawRenderLists() {
    for (int i = 0; i < kRenderListCount; ++i) m_Lists[m_Bank * kRenderListCount + i].DrawList(m_TaskManage.get(), i);
}

} // namespace qtest
