#pragma once
// The root of the objects that the engine core hands itself to: they keep
// the core pointer here and can be deleted through this base.
class GxCore;

class GxCoreRemainder {
public:
    virtual ~GxCoreRemainder() = default;

    GxCore* m_pCore = nullptr;
};
