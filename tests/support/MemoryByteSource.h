#pragma once
// Bytes in memory as a movie graph's byte source.
#include "platform/movie/byte_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qtest {

class MemoryByteSource final : public pmovie::byte_source {
public:
    explicit MemoryByteSource(std::vector<unsigned char> bytes) : m_Bytes(std::move(bytes)) {}
    int64_t size() override { return int64_t(m_Bytes.size()); }
    int64_t read_at(int64_t pos, void* buffer, uint32_t bytes) override {
        if (pos < 0) return -1;
        if (pos >= size()) return 0;
        const size_t n = std::min<size_t>(bytes, m_Bytes.size() - size_t(pos));
        std::memcpy(buffer, m_Bytes.data() + pos, n);
        return int64_t(n);
    }

private:
    std::vector<unsigned char> m_Bytes;
};

} // namespace qtest
