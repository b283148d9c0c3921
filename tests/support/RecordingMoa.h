#pragma once
// An interpreter instance that records its reports instead of logging them,
// so that tests can check each message, its script and its line.
#include "script/GxMoa.h"

#include <string>
#include <vector>

namespace qtest {

class RecordingMoa : public GxMoa {
public:
    struct Report {
        GxString script;
        int line;
        GxString text;
    };
    std::vector<GxString> messages;
    std::vector<Report> warnings;
    std::vector<Report> errors;

    // All error texts joined, one per line, for failure messages.
    std::string ErrorsUtf8() const;
    bool HasError(GxStringView part) const;
    bool HasWarning(GxStringView part) const;

protected:
    void MessageText(const GxString& text) override { messages.push_back(text); }
    void WarningText(const GxString& script, int line, const GxString& text) override {
        warnings.push_back({script, line, text});
    }
    void ErrorText(const GxString& script, int line, const GxString& text) override {
        errors.push_back({script, line, text});
    }
};

} // namespace qtest
