#pragma once
// The main worker: the statement machine of GxMoaWorker, with text lines
// shown as the main scene's messages and unknown words followed by an
// argument list run as layer commands ("sp" and the word's extension).
#include "tasks/GxCoreRemainder.h"
#include "script/GxMoaWorker.h"

class GxCoreBase;
class GxMoaMainHost;

class GxMoaWorkerEx : public GxMoaWorker, public GxCoreRemainder {
public:
    explicit GxMoaWorkerEx(GxMoa* owner, GxCoreBase* core = nullptr) : GxMoaWorker(owner), m_pCore(core) {}
    ~GxMoaWorkerEx() override = default;

    GxCoreBase* GetCore() const { return m_pCore; }

    void SetMainHost(GxMoaMainHost* host) { m_pMainHost = host; }
    GxMoaMainHost* GetMainHost() const { return m_pMainHost; }

protected:
    StepResult OnTextLine(GxMoaFunctionBinder* binder, const GxMoaToken& token) override;
    StepResult OnUnknownWord(GxMoaFunctionBinder* binder, const GxMoaToken& token) override;

private:
    GxCoreBase* m_pCore;
    GxMoaMainHost* m_pMainHost = nullptr;
};
