#pragma once
// The script interpreter's registry of builtins as the module table hands it
// to the modules. The interpreter sits above the task tree, so the table
// knows the registry only by this base; the modules, which sit above both,
// reach the registry's own operations through the interpreter's class.
class GxBuiltinRegistryBase {
public:
    virtual ~GxBuiltinRegistryBase() = default;
};
