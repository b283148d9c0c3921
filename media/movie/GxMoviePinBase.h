#pragma once
// An output pin of a movie source: a name, and what rendering it connects
// in the graph.
#include "base/GxTypes.h"
#include "platform/movie/media_type.h"

namespace pmovie {
class movie_graph;
}

class GxMoviePinBase {
public:
    virtual ~GxMoviePinBase() = default;
    virtual const GxString& GetName() const = 0;
    // Connects what the pin carries to the graph's renderers.
    virtual pmovie::result Render(pmovie::movie_graph& graph) = 0;
};
