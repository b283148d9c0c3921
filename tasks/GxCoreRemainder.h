#pragma once
// The root of the objects plugged into the core (the game module, the main
// script worker's core link); it only makes their deletion virtual.
class GxCoreRemainder {
public:
    virtual ~GxCoreRemainder() = default;
};
