#pragma once
// Content streams in memory for tests: write with the engine's text or
// binary writer, read back with the reader that the first byte selects.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentCompressedBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "io/GxContentTextWriter.h"
#include "tools/builders/ContentBytes.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace mtest {

enum class Form { Text, Binary };

inline std::vector<u8> WriteStream(Form form, const char* kind, const std::function<void(GxContentWriterBase&)>& body) {
    return qtest::WriteContentBytes(form == Form::Text, kind, 100, body);
}

// Holds the bytes for as long as the reader reads them.
struct StreamReader {
    std::vector<u8> bytes;
    std::unique_ptr<GxContentReaderBase> reader;
    bool headerOk = false;

    StreamReader(std::vector<u8> b, const char* kind, bool verbose = false) : bytes(std::move(b)) {
        const u8 head = bytes.empty() ? 0 : bytes[0];
        const u32 size = u32(bytes.size());
        if (head == 'T') reader = std::make_unique<GxContentTextReader>(bytes.data(), size, verbose);
        if (head == 'B') reader = std::make_unique<GxContentBinaryReader>(bytes.data(), size, verbose);
        if (head == 'Z') reader = std::make_unique<GxContentCompressedBinaryReader>(bytes.data(), size, verbose);
        if (!reader) return;
        const std::string magic = std::string(1, char(head)) + kind;
        headerOk = reader->ReadHeader(magic.c_str(), nullptr);
    }
    GxContentReaderBase& operator*() { return *reader; }
    GxContentReaderBase* operator->() { return reader.get(); }
};

} // namespace mtest
