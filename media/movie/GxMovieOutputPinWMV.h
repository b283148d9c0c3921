#pragma once
// One stream of an ASF/WMV file as a pin of its source, named after the
// stream; rendering it connects that stream alone.
#include "media/movie/GxMoviePinBase.h"

class GxMovieOutputPinWMV : public GxMoviePinBase {
public:
    // index: the stream's place among the container's streams.
    GxMovieOutputPinWMV(GxStringView name, s32 index, u16 streamNumber, pmovie::major_type kind);

    const GxString& GetName() const override { return m_Name; }
    u16 GetStreamNumber() const { return m_StreamNumber; }
    pmovie::major_type GetKind() const { return m_Kind; }
    pmovie::result Render(pmovie::movie_graph& graph) override;

private:
    GxString m_Name;
    s32 m_Index;
    u16 m_StreamNumber;
    pmovie::major_type m_Kind;
};
