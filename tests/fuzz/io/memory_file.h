#pragma once
// Bytes handed to the file layer as a file, without touching the disk: an
// anonymous memory file reached through /proc/self/fd.
#include "base/GxTypes.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace qfuzz {

class MemoryFile {
public:
    MemoryFile(const uint8_t* data, size_t size) : m_Fd(memfd_create("quillon-fuzz", MFD_CLOEXEC)) {
        size_t done = 0;
        while (m_Fd >= 0 && done < size) {
            const ssize_t n = ::write(m_Fd, data + done, size - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        const std::string p = "/proc/self/fd/" + std::to_string(m_Fd);
        m_Path.assign(p.begin(), p.end());
    }
    ~MemoryFile() {
        if (m_Fd >= 0) ::close(m_Fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool Ok() const { return m_Fd >= 0; }
    const GxString& Path() const { return m_Path; }

private:
    int m_Fd;
    GxString m_Path;
};

} // namespace qfuzz
