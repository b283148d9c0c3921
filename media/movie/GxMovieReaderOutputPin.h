#pragma once
// The one pin ("Output") of the generic movie source: the whole file as a
// byte stream of the reader's media type, pulled by positioned reads that
// complete on the calling thread. Rendering it reads the container the type
// names and connects every stream it offers.
#include "media/movie/GxMoviePinBase.h"
#include "platform/movie/byte_source.h"

class GxMovieReader;
class GxMovieSourceFilterFile;

class GxMovieReaderOutputPin : public GxMoviePinBase, public pmovie::byte_source {
public:
    GxMovieReaderOutputPin(GxMovieReader* filter, GxMovieSourceFilterFile* stream);

    const GxString& GetName() const override { return m_Name; }
    // Position 0: the reader's media type; vfw_s_no_more_items after it,
    // e_invalidarg before it.
    pmovie::result GetMediaType(s32 position, pmovie::media_type* type) const;
    // s_ok for the reader's major type and, unless the reader's subtype is
    // none, its subtype; s_false otherwise.
    pmovie::result CheckMediaType(const pmovie::media_type* type) const;
    // Reads length bytes at pos on the calling thread: s_ok, or s_false with
    // the shorter count when the file ends first.
    pmovie::result SyncRead(s64 pos, s32 length, u8* buffer, s32* actual);
    pmovie::result Length(s64* total, s64* available);
    pmovie::result Render(pmovie::movie_graph& graph) override;

    int64_t size() override;
    int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) override;

private:
    GxMovieReader* m_Filter;
    GxMovieSourceFilterFile* m_Stream;
    GxString m_Name = u"Output";
};
