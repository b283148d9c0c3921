#include "graphics/GxGlyphFont.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"

std::unique_ptr<pglyph::font> GxOpenGlyphFont(const GxLogFont& logFont) {
    const GxStringView faceName = logFont.m_FaceName;
    const pglyph::face_lookup face = pglyph::find_face(faceName);
    if (face.first) {
        if (!face.found)
            GxWriteErrorLog(u"Error/GxGlyphFont No font is installed(Face:\"%s\")\n", faceName);
        else if (face.choice.substituted)
            GxWriteWarningLog(u"Warning/GxGlyphFont Face not found, using %s instead(Face:\"%s\")\n",
                              GxFromUtf8(face.choice.family), faceName);
        if (face.found)
            GxWriteDeviceLog(u"\t・フォント[%s]:%s(%s)\n", faceName, GxFromUtf8(face.choice.family),
                             GxFromUtf8(face.choice.file));
    }
    return pglyph::font::create(logFont.m_Height, faceName);
}
