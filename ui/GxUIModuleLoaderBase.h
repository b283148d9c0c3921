#pragma once
// What the UI manager needs of a scene to build a screen: one widget made
// from a layout record. The scenes (above the widgets) implement it.
#include "base/GxTypes.h"

class GxTaskBase;
struct DBUILayoutRecord;

class GxUIModuleLoaderBase {
public:
    virtual ~GxUIModuleLoaderBase() = default;
    // The widget of the layout record's module under the parent: with local
    // index -1 the name is its global name, otherwise its local name at that
    // index. Null when nothing was made.
    virtual GxTaskBase* LoadUIModule(GxTaskBase* parent, const DBUILayoutRecord* layout, const GxChar* name,
                                     s32 localIndex) = 0;
};
