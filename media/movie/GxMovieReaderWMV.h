#pragma once
// The source of a movie graph for ASF and WMV files: the file read as a
// stream through the stream input, one pin per stream the reader selects
// (the best picture and the best sound), in stream-number order and named
// after the streams. A file it cannot open leaves it without pins and its
// creation result a failure.
#include "media/movie/GxMovieOutputPinWMV.h"
#include "media/movie/GxMovieReader.h"
#include "media/movie/GxMovieStreamInputWMV.h"

#include <map>
#include <memory>
#include <utility>

class GxMovieReaderWMV : public GxMovieReader {
public:
    GxMovieReaderWMV(GxMovieSourceFilterFile* stream, pmovie::result* hr);
    ~GxMovieReaderWMV() override;

    s32 GetPinCount() override { return m_PinCount; }
    GxMoviePinBase* GetPin(s32 n) override;
    // Closes the file's reader and lets go of the pins.
    void StopReading() override;

private:
    GxMovieStreamInputWMV m_StreamInput;
    // By stream number (and place, should a damaged file repeat a number).
    std::map<std::pair<u16, s32>, std::unique_ptr<GxMovieOutputPinWMV>> m_OutputPins;
    s32 m_PinCount = 0;
};
