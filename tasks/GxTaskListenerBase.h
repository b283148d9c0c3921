#pragma once
// The empty root of the listener interfaces every task carries.

class GxTaskListenerBase {
public:
    virtual ~GxTaskListenerBase() = default;
};
