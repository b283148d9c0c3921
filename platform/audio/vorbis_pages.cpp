#include "platform/audio/vorbis_pages.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>

namespace paudio {
namespace {

constexpr long read_chunk = 65536;

struct page_at {
    int64_t offset = 0;
    int64_t length = 0;
};

// A link whose headers are still being read: nothing of it is kept until all
// three have been accepted.
class pending_link {
public:
    pending_link() { ogg_stream_init(&m_stream, 0); }
    ~pending_link() {
        reset();
        ogg_stream_clear(&m_stream);
    }
    pending_link(const pending_link&) = delete;
    pending_link& operator=(const pending_link&) = delete;

    bool active() const { return m_active; }
    int serial() const { return m_serial; }
    int64_t end() const { return m_pages.empty() ? 0 : m_pages.back().offset + m_pages.back().length; }
    const std::vector<page_at>& pages() const { return m_pages; }
    bool complete() const { return m_headers == 3; }

    void begin(int serial) {
        reset();
        m_active = true;
        m_serial = serial;
        ogg_stream_reset_serialno(&m_stream, serial);
        vorbis_info_init(&m_info);
        vorbis_comment_init(&m_comment);
    }
    // False when the page breaks the headers: a hole, a packet libvorbis
    // refuses, a first packet that is no Vorbis identification header.
    bool add(ogg_page& page, const page_at& where) {
        m_pages.push_back(where);
        if (ogg_stream_pagein(&m_stream, &page) != 0) return false;
        ogg_packet packet;
        while (m_headers < 3) {
            const int got = ogg_stream_packetout(&m_stream, &packet);
            if (got == 0) break;
            if (got < 0) return false;
            if (m_headers == 0 && vorbis_synthesis_idheader(&packet) != 1) return false;
            if (vorbis_synthesis_headerin(&m_info, &m_comment, &packet) != 0) return false;
            ++m_headers;
        }
        return true;
    }
    void reset() {
        if (m_active) {
            vorbis_comment_clear(&m_comment);
            vorbis_info_clear(&m_info);
        }
        ogg_stream_reset(&m_stream);
        m_pages.clear();
        m_headers = 0;
        m_active = false;
    }

private:
    ogg_stream_state m_stream;
    vorbis_info m_info{};
    vorbis_comment m_comment{};
    std::vector<page_at> m_pages;
    int m_serial = 0;
    int m_headers = 0;
    bool m_active = false;
};

class page_filter {
public:
    explicit page_filter(vorbis_pages& out) : m_out(out) {}

    void page(ogg_page& page, const page_at& where) {
        const int serial = ogg_page_serialno(&page);
        if (m_pending.active()) {
            if (where.offset == m_pending.end() && serial == m_pending.serial() && !ogg_page_bos(&page)) {
                if (!m_pending.add(page, where)) {
                    drop_pending();
                } else if (m_pending.complete()) {
                    accept_pending(page);
                }
                return;
            }
            drop_pending();
        }
        if (ogg_page_bos(&page)) {
            if (std::find(m_serials.begin(), m_serials.end(), serial) != m_serials.end()) {
                m_out.left_out = true;
                return;
            }
            m_pending.begin(serial);
            if (!m_pending.add(page, where)) drop_pending();
            else if (m_pending.complete()) accept_pending(page);
            return;
        }
        const int64_t sequence = ogg_page_pageno(&page);
        const int64_t granule = ogg_page_granulepos(&page);
        if (!m_in_link || serial != m_serial || sequence <= m_sequence || (granule != -1 && granule < m_granule)) {
            m_out.left_out = true;
            return;
        }
        m_sequence = sequence;
        if (m_silent) {
            m_unsure.push_back(where);
        } else {
            keep(where);
        }
        if (granule == -1) return;
        m_granule = granule;
        if (m_silent) {
            for (const page_at& p : m_unsure) keep(p);
            m_unsure.clear();
            m_silent = false;
        }
    }

    void finish() {
        if (m_pending.active()) drop_pending();
        drop_silent_link();
    }

private:
    void keep(const page_at& where) {
        if (!m_out.kept.empty() && m_out.kept.back().offset + m_out.kept.back().length == where.offset)
            m_out.kept.back().length += where.length;
        else
            m_out.kept.push_back({where.offset, where.length});
        m_out.kept_bytes += where.length;
    }
    void drop_pending() {
        m_pending.reset();
        m_out.left_out = true;
    }
    // A link is kept once a page with a granule position follows its headers:
    // the decoder looks for one there when it opens the file, and one it
    // does not find makes it read the next link's first page as this one's,
    // lose its place in the chain, fail, and keep the memory it took.
    void drop_silent_link() {
        if (!m_silent) return;
        m_unsure.clear();
        m_silent = false;
        m_out.left_out = true;
    }
    void accept_pending(ogg_page& last) {
        drop_silent_link();
        m_unsure = m_pending.pages();
        m_silent = true;
        m_in_link = true;
        m_serial = m_pending.serial();
        m_serials.push_back(m_serial);
        m_sequence = ogg_page_pageno(&last);
        const int64_t granule = ogg_page_granulepos(&last);
        m_granule = granule == -1 ? 0 : granule;
        m_pending.reset();
    }

    vorbis_pages& m_out;
    pending_link m_pending;
    std::vector<int> m_serials;  // of every link whose headers were accepted
    bool m_in_link = false;
    int m_serial = 0;
    int64_t m_sequence = 0;
    int64_t m_granule = 0;
    // The link's pages while no page after its headers has had a granule
    // position.
    bool m_silent = false;
    std::vector<page_at> m_unsure;
};

} // namespace

bool find_vorbis_pages(vorbis_source& source, vorbis_pages& out) {
    out = vorbis_pages{};
    if (!source.seek(0, 0)) return false;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    page_filter filter(out);
    int64_t offset = 0;  // of the first byte the sync has not yet taken
    bool ok = true;
    for (;;) {
        ogg_page page;
        const long got = ogg_sync_pageseek(&sync, &page);
        if (got < 0) {
            offset -= got;
            out.left_out = true;
            continue;
        }
        if (got > 0) {
            filter.page(page, {offset, got});
            offset += got;
            continue;
        }
        char* buffer = ogg_sync_buffer(&sync, read_chunk);
        if (!buffer) {
            ok = false;
            break;
        }
        const size_t bytes = source.read(buffer, size_t(read_chunk));
        if (bytes == 0) break;
        ogg_sync_wrote(&sync, long(bytes));
    }
    // What the sync still holds is a page cut short.
    if (sync.fill > sync.returned) out.left_out = true;
    filter.finish();
    ogg_sync_clear(&sync);
    return ok;
}

} // namespace paudio
