#pragma once
// The source of a movie graph for every format but ASF/WMV: the file as a
// byte stream of the media type its extension names, behind one pin. Built,
// it has read the container's header through the pin, so a file that is no
// movie fails here.
#include "media/movie/GxMovieReaderOutputPin.h"
#include "platform/movie/container.h"

#include <memory>

class GxMovieSourceFilterFile;

class GxMovieReader {
public:
    // The stream must outlive the reader; hr receives the result of reading
    // the container.
    GxMovieReader(GxMovieSourceFilterFile* stream, const pmovie::media_type& type, pmovie::result* hr);
    virtual ~GxMovieReader();
    GxMovieReader(const GxMovieReader&) = delete;
    GxMovieReader& operator=(const GxMovieReader&) = delete;

    virtual s32 GetPinCount();
    // Null outside 0 to GetPinCount() - 1.
    virtual GxMoviePinBase* GetPin(s32 n);
    // Before the reader is let go: ends what reads the file (nothing to end here).
    virtual void StopReading() {}

    const pmovie::media_type& GetMediaType() const { return m_MediaType; }
    // The container read through the pins; null once reading stopped.
    const std::shared_ptr<pmovie::container>& GetContainer() const { return m_Container; }

protected:
    // For a source that reads the file its own way.
    GxMovieReader(GxMovieSourceFilterFile* stream, const pmovie::media_type& type);

    GxMovieSourceFilterFile* m_Stream;
    pmovie::media_type m_MediaType;
    GxMovieReaderOutputPin m_Pin;
    std::shared_ptr<pmovie::container> m_Container;
};
