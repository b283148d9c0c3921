#include "media/movie/GxMovieOutputPinWMV.h"

#include "platform/movie/movie_graph.h"

GxMovieOutputPinWMV::GxMovieOutputPinWMV(GxStringView name, s32 index, u16 streamNumber, pmovie::major_type kind)
    : m_Name(name), m_Index(index), m_StreamNumber(streamNumber), m_Kind(kind) {}

pmovie::result GxMovieOutputPinWMV::Render(pmovie::movie_graph& graph) { return graph.render(m_Index); }
