#pragma once
// A small interpreter world for tests: a recording instance, the notation
// builder, a binder with the default builtins and a "trace" builtin that
// records the arguments of every call, and one worker.
#include "base/GxStringUtil.h"
#include "script/GxMoaBuiltinDefault.h"
#include "script/GxMoaDelegate.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorker.h"
#include "tools/builders/MoaScriptBuilder.h"
#include "support/RecordingMoa.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mtest {

// A builtin made of a lambda, for tests.
class LambdaBuiltin : public GxMoaDelegateBase {
public:
    using Fn = std::function<bool(GxMoaVariable* args, GxMoaWorker* worker, GxMoaExecStack* stack,
                                  GxMoaVariable* result)>;
    explicit LambdaBuiltin(Fn fn) : m_Fn(std::move(fn)) {}
    bool Invoke(const GxString*, int, GxMoaVariable* args, GxMoaWorker* worker, GxMoaScriptEntity*,
                GxMoaExecStack* stack, GxMoaVariable* result) override {
        return m_Fn(args, worker, stack, result);
    }

private:
    Fn m_Fn;
};

template <class Worker = GxMoaWorker>
struct World {
    qtest::RecordingMoa moa;
    qtest::MoaScriptBuilder builder;
    GxMoaFunctionBinder binder;
    GxMoaBuiltinDefault defaults;
    std::unique_ptr<Worker> worker;
    // Each trace() call: its arguments as text.
    std::vector<std::vector<GxString>> traces;

    World() {
        defaults.RegisterBuiltins(&binder);
        AddBuiltin(u"trace", [this](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
            std::vector<GxString> line;
            for (int i = 0; i < args->GetArraySize(); ++i) line.push_back(GxMoaArgumentAt(args, i)->ToString());
            traces.push_back(line);
            return true;
        });
    }

    void AddBuiltin(const GxChar* name, LambdaBuiltin::Fn fn) {
        builder.DeclareBuiltin(name);
        binder.AddFunction(name, new LambdaBuiltin(std::move(fn)));
    }

    // Compiles the scripts and sets the variables up as a bundle load does.
    void Load(std::initializer_list<std::pair<const char16_t*, const char16_t*>> scripts) {
        for (const auto& [name, text] : scripts)
            EXPECT_NE(builder.AddScript(&moa, name, text), nullptr) << builder.LastError();
        moa.InitExternVariables();
        worker = std::make_unique<Worker>(&moa);
        worker->InitGlobalVariables();
    }

    // Steps until Step returns false; the number of true steps.
    int Run(int limit = 10000) {
        int n = 0;
        while (worker->Step(&binder)) {
            if (++n >= limit) {
                ADD_FAILURE() << "script did not stop";
                break;
            }
        }
        return n;
    }

    int RunFrom(const GxChar* label) {
        EXPECT_TRUE(worker->StartAtLabel(label, nullptr)) << GxToUtf8(label);
        return Run();
    }

    // The usual test: one script "main", run from its label *start.
    int RunScript(const char16_t* text) {
        Load({{u"main", text}});
        return RunFrom(u"start");
    }

    // A call frame at the start of "main", as a statement being run has it.
    GxMoaExecStackElement& PushMainFrame() {
        GxMoaExecStackElement frame;
        frame.m_BlockType = GxMoaExecStackElement::kBlockCall;
        frame.m_ScriptPos = GxMoaScriptPos(0, 0, u"main");
        worker->GetExecStack()->push_back(frame);
        return worker->GetExecStack()->back();
    }

    // Traces flattened to "a,b|c" for compact expectations.
    std::string TraceText() const {
        std::string out;
        for (size_t i = 0; i < traces.size(); ++i) {
            if (i) out += "|";
            for (size_t j = 0; j < traces[i].size(); ++j) out += (j ? "," : "") + GxToUtf8(traces[i][j]);
        }
        return out;
    }

    GxMoaVariable Global(const GxChar* name) {
        GxMoaVariableSet* v = worker->FindVariable(name);
        return v ? v->m_Value : GxMoaVariable();
    }
};

} // namespace mtest
