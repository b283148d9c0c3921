#pragma once
// Widget type 23: a button whose value counts up by itself on every update
// (by m_AutoCountUpValue, kept within m_Min and m_Max), shown as a bar that
// fills across the client rectangle, and that takes clicks only once the
// value meets its enabling condition. Images: the button's faces and
// <name>_back, _backna (back while it cannot be clicked) and _mid (the fill).
#include "ui/GxTaskUIButtonIs.h"

class GxTaskUITimerButtonIs : public GxTaskUIButtonIs {
public:
    static constexpr s32 kTypeCode = 23;
    static constexpr int kBack = 4, kBackNa = 5, kMid = 6;

    explicit GxTaskUITimerButtonIs(GxTaskBase* parent, const GxChar* name = nullptr,
                                   const GxChar* localName = nullptr, s32 localIndex = 0);

    // The button's update, then the count up.
    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    bool LoadImages() override;
    // Kept within m_Min and m_Max.
    void SetValue(f64 value) override;
    void SetMax(f64 v) override { SetMaxKeepingValue(v); }
    void SetMin(f64 v) override { SetMinKeepingValue(v); }

    // By m_AutoEnableMode: 1 the value has reached m_Max, 2 it has reached
    // m_Min, 3 it is below m_Max, 4 above m_Min; any other mode: always.
    virtual bool IsAutoEnabled() const;

    void SetAutoEnableMode(s32 mode) { m_AutoEnableMode = mode; }
    s32 GetAutoEnableMode() const { return m_AutoEnableMode; }
    void SetAutoCountUpValue(f64 v) { m_AutoCountUpValue = v; }
    f64 GetAutoCountUpValue() const { return m_AutoCountUpValue; }

protected:
    bool CanPress() override { return IsAutoEnabled(); }

    s32 m_AutoEnableMode = 1;
    f64 m_AutoCountUpValue = 0.0;
};
