#include "graphics/GxShaderInclude.h"

#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "io/GxTextFile.h"

u32 GxShaderInclude::Open(u32, const char* fileName, const void*, const void** data, u32* bytes) {
    if (data) *data = nullptr;
    if (bytes) *bytes = 0;
    auto buffer = std::make_unique<GxBinBuffer>();
    const GxString path = m_BaseDirectory + GxFromAnsi(fileName ? fileName : "");
    // An included file is effect source: text, held to a text file's size.
    if (!GxLoadFile(buffer.get(), path, false, false, kGxTextFileMaxSize)) return kFail;
    if (data) *data = buffer->GetData();
    if (bytes) *bytes = buffer->GetSize();
    m_Open.push_back(std::move(buffer));
    return kOk;
}

u32 GxShaderInclude::Close(const void* data) {
    for (size_t i = m_Open.size(); i-- > 0;)
        if (m_Open[i]->GetData() == data) {
            m_Open.erase(m_Open.begin() + ptrdiff_t(i));
            break;
        }
    return kOk;
}

bool GxShaderInclude::open(const std::string& fileName, const char** data, size_t* size) {
    const void* bytes = nullptr;
    u32 n = 0;
    if (Open(0, fileName.c_str(), nullptr, &bytes, &n) != kOk) return false;
    *data = static_cast<const char*>(bytes);
    *size = n;
    return true;
}

void GxShaderInclude::close(const char* data) { Close(data); }
