#pragma once
// The widget factory: builds the widget class of a UI-module type code under
// a parent. The table in GxUIWidgetFactory.cpp is the one place where widget
// classes join.
#include "base/GxTypes.h"

class GxTaskBase;
class GxSeqTaskBase;
class GxTaskUIBase;

class GxUIWidgetFactory {
public:
    // With local index -1 the name becomes the widget's global name, else its
    // local name at that index. Null for a code that builds nothing: an
    // unknown code silently, a known one whose class is not built yet with a
    // log line. The scene is passed to the widgets that keep it.
    static GxTaskUIBase* Construct(s32 typeCode, GxTaskBase* parent, const GxChar* name, s32 localIndex,
                                   GxSeqTaskBase* scene);
    // The class name of a known code ("GxTaskUIPanelFx"), or null.
    static const GxChar* GetClassName(s32 typeCode);
    // Whether a class is built for the code.
    static bool IsBuilt(s32 typeCode);
};
