#pragma once
// The text settings of the text panels (on a PNG and on an image set) and of
// the notice panel: font index and size, text and outline colours, whether
// the notice draws the outline, and where the text stands in the client
// rectangle (0 left and top, 1 centred across, 2 centred both ways). Each
// panel stores them after its own fields.
#include "base/GxVector.h"
#include "ui/GxUITextStyle.h"

class GxContentReaderBase;
class GxContentWriterBase;
class GxTaskUIBase;

class GxUIPanelText : public GxUITextStyle {
public:
    // Font 2 at its configured size, white, the system's outline colour,
    // centred across.
    GxUIPanelText();

    void Write(GxContentWriterBase* writer) const;
    // The font index read is checked like a set one.
    void Read(GxContentReaderBase* reader, const GxChar* className);
    // The widget's text laid out in its client rectangle at its world
    // position with the glyph map of the font index, lines breaking at '|'
    // and at the rectangle's width; the colours' alphas are multiplied by
    // the actor's.
    void DrawInClient(const GxTaskUIBase& widget, f32 alphaScale) const;

    s32 m_AutoAlign = 1;
};
