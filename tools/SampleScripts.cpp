#include "tools/SampleScripts.h"

#include "base/GxStringUtil.h"
#include "script/GxMoa.h"
#include "tools/builders/ContentBytes.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/MoaScriptBuilder.h"

#include <algorithm>
#include <vector>

namespace qtools {

bool AddScripts(SampleFiles& files, const std::filesystem::path& source, std::string& error) {
    std::vector<std::filesystem::path> sources;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(source, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".txt") sources.push_back(entry.path());
    if (ec || sources.empty()) {
        error = "no script sources (*.txt) in " + source.string();
        return false;
    }
    std::sort(sources.begin(), sources.end());
    GxMoa moa;
    qtest::MoaScriptBuilder builder;
    builder.DeclareGameBuiltins();
    for (const auto& path : sources) {
        const std::vector<unsigned char> bytes = qtest::ReadBytes(path);
        std::string text(bytes.begin(), bytes.end());
        if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
        const std::string name = path.filename().string();
        if (!builder.AddScript(&moa, GxFromUtf8(name), GxFromUtf8(text))) {
            error = builder.LastError();
            return false;
        }
        files.Add("scripts/" + name, std::vector<uint8_t>(bytes.begin(), bytes.end()), SamplePlace::Loose);
    }
    const std::vector<unsigned char> bundle =
        qtest::WriteContentBytes(false, "MOA", 100, [&](GxContentWriterBase& w) { moa.WriteBundle(&w); });
    files.Add("bincode/moacode.mwb", std::vector<uint8_t>(bundle.begin(), bundle.end()));
    return true;
}

} // namespace qtools
