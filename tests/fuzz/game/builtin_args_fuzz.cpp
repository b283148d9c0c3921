// Every game builtin called with any argument list a compiled script could
// hand it: values of every type, texts of any length, numbers at their
// limits, too few and too many arguments. The first byte picks the builtin
// by its place in the binder; the rest are the arguments, each a type byte
// and its value.
#include "game/AvgBuiltin.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "script/GxMoa.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaWorker.h"
#include "support/StandInMainScene.h"

#include <cstring>
#include <vector>

namespace {

struct World {
    qtest::StandInMainScene core;
    GxUserData data{&core};
    GxUserDataPerman perman{&core};
    AvgBuiltin builtins{&core};
    GxMoaFunctionBinder binder;
    std::vector<GxString> names;

    World() {
        GxUserData::Set(&data);
        GxUserDataPerman::Set(&perman);
        perman.m_PassedReplayLabels.insert(u"ep1");
        builtins.RegisterBuiltins(&binder);
        for (const GxChar* n : {u"print", u"debug", u"getcurseqname", u"getprevseqparam1", u"getpassedlabel",
                                u"setgamedatatitle", u"setnameidentifymode", u"getsystemsignature", u"wa.click",
                                u"wa.time", u"wa.layer", u"bg", u"sel", u"msg", u"stand", u"text", u"se", u"vo_3",
                                u"sp.sub", u"sp.lcg", u"sp.wa", u"sel.go", u"sel.visible"})
            names.push_back(n);
        for (const GxChar* n : {u"mv", u"mv.wa", u"mv.autostop", u"notice.sys", u"notice.user", u"rp.set", u"rp.unset",
                                u"rp.end", u"cg.set", u"cg.setgroup", u"jumptotitle", u"setextraoption",
                                u"getextraoption"})
            names.push_back(n);
    }
};

template <class T>
T Take(const uint8_t*& p, const uint8_t* end) {
    T v{};
    const size_t n = std::min(sizeof(T), size_t(end - p));
    std::memcpy(&v, p, n);
    p += n;
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World();
    if (size == 0 || size > 4096) return 0;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    const GxString& name = world->names[Take<uint8_t>(p, end) % world->names.size()];

    GxMoaVariable args;
    args.MakeArray(0);
    for (int i = 0; i < 12 && p < end; ++i) {
        GxMoaVariable v;
        switch (Take<uint8_t>(p, end) % 6) {
        case 0: break;
        case 1: v.SetInt64(Take<s64>(p, end)); break;
        case 2: v.SetFloat(Take<f64>(p, end)); break;
        case 3: {
            GxString text;
            for (size_t n = Take<uint8_t>(p, end); n > 0 && p < end; --n) text.push_back(Take<char16_t>(p, end));
            v.SetString(GxStringView(text));
            break;
        }
        case 4: v.MakeArray(Take<uint8_t>(p, end) % 4); break;
        default: v.SetString(GxStringView(u"M")); break;
        }
        args.SetElement(i, v);
    }

    GxMoa moa;
    GxMoaWorker worker(&moa);
    GxMoaExecStack stack(1);
    GxMoaVariable result;
    world->binder.CallFunction(&name, 0, &args, &worker, nullptr, &stack, &result);
    return 0;
}
