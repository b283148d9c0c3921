#include "io/GxFileHandle.h"

#include <unistd.h>

GxFileHandle::~GxFileHandle() { Close(); }

void GxFileHandle::Close() {
    if (m_Fd >= 0) ::close(m_Fd);
    m_Fd = -1;
    m_Size = 0;
    m_Open = m_End = false;
    m_FileTime = 0;
    m_Position = 0;
    m_Base = 0;
    m_Scrambled = false;
    m_Pack = nullptr;
    m_Entry = nullptr;
}
