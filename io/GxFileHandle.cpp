#include "io/GxFileHandle.h"

GxFileHandle::~GxFileHandle() { Close(); }

void GxFileHandle::Close() {
    m_File.close();
    m_Size = 0;
    m_FullSize = 0;
    m_Open = m_End = false;
    m_FileTime = 0;
    m_Position = 0;
    m_Base = 0;
    m_Scrambled = false;
    m_Pack = nullptr;
    m_Entry = nullptr;
}
