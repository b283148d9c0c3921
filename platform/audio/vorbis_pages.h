#pragma once
// Which bytes of an Ogg file vorbisfile may be given. vorbisfile trusts the
// file's layout: handed a damaged one it has read out of freed or moved
// memory, moved memory by a negative size, and kept memory it never frees.
// So the decoder sees only the pages of an intact chain of Vorbis streams,
// laid end to end:
// - bytes that are not a whole page with a good checksum are left out;
// - a stream (a link of the chain) begins with its first page and the pages
//   carrying its three Vorbis headers, one after another with nothing
//   between them, each header accepted by libvorbis; a link whose headers
//   fail is left out whole;
// - after that only pages of the link's own stream follow, each numbered
//   after the one before and with a granule position no lower, until the
//   next link begins with a stream never seen before; a page of any other
//   stream (another stream spliced in, or one whose link has ended) is left
//   out;
// - a link none of whose pages after the headers has a granule position (a
//   link without sound) is left out whole.
#include "platform/audio/vorbis_stream.h"

#include <cstdint>
#include <vector>

namespace paudio {

struct file_extent {
    int64_t offset = 0;  // in the file
    int64_t length = 0;
};

struct vorbis_pages {
    // The bytes kept, in file order; adjacent pages are one extent.
    std::vector<file_extent> kept;
    int64_t kept_bytes = 0;
    // The file held more than what was kept (damage, another stream, a page
    // cut short).
    bool left_out = false;
};

// Reads the whole source from its start. False when a read or seek fails.
bool find_vorbis_pages(vorbis_source& source, vorbis_pages& out);

} // namespace paudio
