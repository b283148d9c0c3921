#pragma once
// The program's interpreter instance: reports go to the debug, warning and
// error logs.
#include "script/GxMoa.h"

class GxMoaEx : public GxMoa {
protected:
    void MessageText(const GxString& text) override;
    void WarningText(const GxString& scriptName, int line, const GxString& text) override;
    void ErrorText(const GxString& scriptName, int line, const GxString& text) override;
};
