#pragma once
// An asset kept in a shared scope: owned by the scope and deleted when the
// scope is emptied. Assets in a scope's fourth and fifth maps are ticked once
// per update step.
class GxSharedAssetBase {
public:
    virtual ~GxSharedAssetBase() = default;
    virtual void Tick() {}
};
