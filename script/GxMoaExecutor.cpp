#include "script/GxMoaExecutor.h"

#include "base/GxAssert.h"
#include "script/GxMoa.h"
#include "script/GxMoaCompiler.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaScriptEntity.h"
#include "script/GxMoaWorker.h"

namespace {

// The text of a name operand: the compiler gives a Str; any other value
// (from a list read back from a save) names what its text says.
GxStringView NameOf(const GxMoaVariable& operand, GxString* scratch) {
    if (operand.GetType() == kGxMoaStr) return operand.GetStringView();
    *scratch = operand.ToString();
    return *scratch;
}

// Argument arrays of builtin calls, kept emptied for the next call so that a
// call costs no allocation of its own. Nested calls each take their own.
std::vector<GxMoaVariable>& SpareArguments() {
    thread_local std::vector<GxMoaVariable> spare;
    return spare;
}

GxMoaVariable TakeArguments() {
    auto& spare = SpareArguments();
    if (spare.empty()) return GxMoaVariable();
    GxMoaVariable args = std::move(spare.back());
    spare.pop_back();
    return args;
}

void ReturnArguments(GxMoaVariable&& args) {
    auto& spare = SpareArguments();
    auto* elements = args.GetArray();
    if (!elements || spare.size() >= 8) return;
    elements->clear();
    spare.push_back(std::move(args));
}

// The operand that names what an assignment or increment writes to.
bool IsUpdateTarget(const GxMoaVariable& target) {
    return target.IsOpcode() && (target.GetOpcode() == kGxOpAlterVar || target.GetOpcode() == kGxOpAlterVarAry);
}

// One run of an opcode list. The running list and the local frame are looked
// up again after every builtin call, since a builtin may push, pop or
// replace frames.
class Executor {
public:
    Executor(GxMoaFunctionBinder* binder, GxMoaScriptEntity* entity, GxMoa* moa, GxMoaWorker* worker, bool statement)
        : m_Binder(binder), m_Entity(entity), m_Moa(moa), m_Worker(worker), m_Statement(statement),
          m_Stack(*worker->GetExecStack()), m_Values(*worker->GetValueStack()) {}

    int Run();

private:
    GxMoaExecStackElement& Frame() { return m_Stack[m_Index]; }
    const GxMoaVariable& Operand(int n) {
        GX_ASSERT(!m_Abandoned && size_t(m_Pc + n) < m_Count);
        return m_Ops[size_t(m_Pc + n)];
    }
    void Refresh() {
        const GxMoaSharedOpcodeList& list = Frame().m_OpcodeList;
        m_Ops = list.data();
        m_Count = list.size();
        m_Found = list.GetFoundVariables();
        m_Local = nullptr;
        for (size_t i = m_Stack.size(); i-- > 0 && !m_Local;)
            if (m_Stack[i].m_BlockType == GxMoaExecStackElement::kBlockCall) m_Local = &m_Stack[i];
        if (!m_Local) m_Local = &m_Stack.back();
    }

    GxString ScriptName() const {
        return m_Entity && m_Entity->GetScript() ? m_Entity->GetScript()->m_ScriptName : GxString(u"*");
    }
    int CurrentLine() const { return m_Stack.empty() ? -1 : m_Stack.back().m_ScriptPos.m_Line; }
    // Reports stay out of the way of the opcodes' own code.
    [[gnu::noinline, gnu::cold]] bool Error(GxStringView message, int line) {
        m_Moa->Error(ScriptName(), line, u"%s[pc=%d]", message, m_Pc);
        return false;
    }
    [[gnu::noinline, gnu::cold]] bool Error(GxStringView message) { return Error(message, CurrentLine()); }
    [[gnu::noinline]] void Undefined(GxStringView name) {
        if (m_Statement)
            m_Moa->Warning(ScriptName(), CurrentLine(), u"%s[pc=%d]", GxFormat(u"未定義の変数 $%s を使用しました", name),
                           m_Pc);
    }

    bool Push(const GxMoaVariable& v) {
        if (!Exec_PushStack(v, m_Values, m_Pc)) return Error(u"Exec_PushStack Opcodeは計算スタックに積めません", 0);
        return true;
    }
    bool Push(GxMoaVariable&& v) {
        if (v.IsOpcode()) return Error(u"Exec_PushStack Opcodeは計算スタックに積めません", 0);
        m_Values.push_back(std::move(v));
        return true;
    }
    bool Pop(GxMoaVariable* out) {
        if (m_Values.empty()) return Error(u"Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません", 0);
        *out = std::move(m_Values.back());
        m_Values.pop_back();
        return true;
    }
    // An operator on the two values on top of the stack: the left one is
    // replaced by the result and the right one popped.
    template <class Op>
    bool Binary(Op op) {
        const size_t n = m_Values.size();
        if (n < 2) return Error(u"Exec_IsValueLastTwo 計算スタックに必要なパラメータが積まれていません", 0);
        op(m_Values[n - 2], m_Values[n - 1]);
        m_Values.pop_back();
        return true;
    }
    // An operator on the value on top of the stack, in place.
    template <class Op>
    bool Unary(Op op) {
        if (m_Values.empty()) return Error(u"Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません", 0);
        op(m_Values.back());
        return true;
    }
    // An element index from the stack; refuses indexes that would make the
    // array larger than any script needs.
    bool PopIndex(int* index, const GxChar* opName, GxStringView name) {
        GxMoaVariable i;
        if (!Pop(&i)) return false;
        *index = i.ToInt();
        if (*index >= kGxMoaMaxArrayElements)
            return Error(GxFormat(u"%s 配列の要素番号が大きすぎます $%s[%d](上限%d)", opName, name, *index,
                                  kGxMoaMaxArrayElements - 1));
        return true;
    }
    // The element index an update writes to; a negative one names no element.
    bool PopTargetIndex(int* index, const GxChar* opName, GxStringView name) {
        if (!PopIndex(index, opName, name)) return false;
        if (*index < 0) return Error(GxFormat(u"%s 変数の要素 $%s[%d] に代入できません", opName, name, *index));
        return true;
    }
    // A count from the stack, then that many values into an array; element 0
    // is the one pushed first.
    bool PopArray(GxMoaVariable* array) {
        GxMoaVariable count;
        if (!Pop(&count)) return false;
        const s32 n = s32(u64(count.ToInt64()));
        if (n < 0 || size_t(n) > m_Values.size())
            return Error(u"Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません", 0);
        if (auto* elements = array->GetArray()) {
            elements->clear();
            elements->resize(size_t(n));
        } else {
            array->MakeArray(u32(n));
        }
        for (s32 i = n; i-- > 0;) Pop(array->GetElement(i));
        return true;
    }

    // The variable that the opcode at m_Pc names. Where it was found is
    // remembered with the list: while no table anywhere has gained or lost
    // variables and the frame, script and worker are the same, the same
    // look-up would find the same variable.
    GxMoaVariableSet* Find(GxStringView name) {
        GxMoaSharedOpcodeList::FoundVariable* found = m_Found ? &m_Found[m_Pc] : nullptr;
        const u64 shape = GxMoaVariableTable::GetShapeGeneration();
        if (found && found->shape == shape && found->frame == m_Local && found->entity == m_Entity &&
            found->worker == m_Worker)
            return found->variable;
        GxMoaVariableSet* v = m_Local->m_LocalTable.Find(name);
        if (!v) v = m_Entity ? m_Entity->FindVariable(name) : m_Worker->FindVariable(name);
        if (found && v) *found = {shape, m_Local, m_Entity, m_Worker, v};
        return v;
    }
    GxMoaVariableSet* Create(GxStringView name, int index, const GxMoaVariable* value) {
        Undefined(name);
        return m_Local->m_LocalTable.SetVariable(name, index, value);
    }
    // The variable an update changes, created when missing, and the value it
    // holds there now (Null for a new one).
    GxMoaVariableSet* FindForUpdate(GxStringView name, int index, GxMoaVariable* current) {
        GxMoaVariableSet* v = Find(name);
        if (!v) return Create(name, index, nullptr);
        if (const GxMoaVariable* e = v->m_Value.GetElement(index)) *current = *e;
        return v;
    }

    // The common opcodes run inside the loop of Run; the rarer, larger ones
    // are calls of their own.
    [[gnu::always_inline]] bool RunOne(s32 op);
    [[gnu::noinline]] bool CallBuiltin();
    [[gnu::noinline]] bool MakeArray();
    bool Assign();
    [[gnu::noinline]] bool PostIncrement(s32 op);
    [[gnu::noinline]] bool CompoundAssign(s32 op);

    GxMoaFunctionBinder* m_Binder;
    GxMoaScriptEntity* m_Entity;
    GxMoa* m_Moa;
    GxMoaWorker* m_Worker;
    bool m_Statement;
    GxMoaExecStack& m_Stack;
    std::vector<GxMoaVariable>& m_Values;
    size_t m_Index = 0;
    s32 m_Pc = 0;
    // The running list, and the innermost call frame (the innermost frame
    // when there is none), whose locals an expression creates.
    const GxMoaVariable* m_Ops = nullptr;
    size_t m_Count = 0;
    GxMoaSharedOpcodeList::FoundVariable* m_Found = nullptr;
    GxMoaExecStackElement* m_Local = nullptr;
    // Set when a builtin changed the frames: the list must not be touched again.
    bool m_Abandoned = false;
};

int Executor::Run() {
    if (m_Stack.empty()) return 1;
    m_Index = m_Stack.size() - 1;
    if (Frame().m_OpcodeList.empty()) return 1;
    Refresh();
    GxMoaExecStackElement* frame = &Frame();
    for (;;) {
        m_Pc = frame->m_OpcodePos;
        if (m_Pc < 0 || size_t(m_Pc) >= m_Count) return 0;
        const GxMoaVariable& entry = m_Ops[size_t(m_Pc)];
        if (!entry.IsOpcode()) return Error(u"Exec_Opcode Opcodeではないパラメータを演算しようとしました"), 0;
        const s32 op = entry.GetOpcode();
        if (op < 0 || op > kGxOpLast) return Error(u"Exec_Opcode 不正な演算コードです"), 0;
        const int width = GxMoaOpcodeWidth(op);
        // Lists read back from a save are not trusted to be well formed.
        if (size_t(m_Pc) + size_t(width) > m_Count) return Error(u"Exec_Opcode 演算コードのパラメータが足りません"), 0;
        if (!RunOne(op)) return 0;
        if (m_Abandoned) return 1;
        if (op == kGxOpCallBuiltin) {
            Refresh();
            frame = &Frame();
        }
        frame->m_OpcodePos = m_Pc + width;
        if (size_t(frame->m_OpcodePos) >= m_Count) return 1;
    }
}

inline bool Executor::RunOne(s32 op) {
    switch (op) {
    case kGxOpNone:
    case kGxOpSeparator:
    case kGxOpElement:
    case kGxOpArrayIndex:
    case kGxOpPreInc:
    case kGxOpPreDec: return true;
    case kGxOpPushInt:
    case kGxOpPushFloat:
    case kGxOpPushStr:
    case kGxOpElementNum: return Push(Operand(1));
    case kGxOpPushNull: return Push(GxMoaVariable());
    case kGxOpPushVar: {
        GxString scratch;
        const GxStringView name = NameOf(Operand(1), &scratch);
        GxMoaVariableSet* v = Find(name);
        if (!v) v = Create(name, -1, nullptr);
        return Push(v->m_Value);
    }
    case kGxOpPushVarAry: {
        GxString scratch;
        const GxStringView name = NameOf(Operand(1), &scratch);
        int index = 0;
        if (!PopIndex(&index, u"PUSH_VARARY", name)) return false;
        GxMoaVariableSet* v = Find(name);
        if (!v) v = Create(name, index, nullptr);
        const GxMoaVariable* e = v->m_Value.GetElement(index);
        return e ? Push(*e) : Push(GxMoaVariable());
    }
    case kGxOpAlterVar: return Error(u"OPC_ALTER_VAR 単体でこのコードは実行できません");
    case kGxOpAlterVarAry: return Error(u"OPC_ALTER_VARARY 単体でこのコードは実行できません");
    case kGxOpCallBuiltin: return CallBuiltin();
    case kGxOpArrayInit: return MakeArray();
    case kGxOpEq: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l == r); });
    case kGxOpNe: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l != r); });
    case kGxOpGt: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l > r); });
    case kGxOpGe: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l >= r); });
    case kGxOpLt: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l < r); });
    case kGxOpLe: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l <= r); });
    case kGxOpAdd: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l + r; });
    case kGxOpConcat: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l.Concat(r); });
    case kGxOpSub: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l - r; });
    case kGxOpMul: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l * r; });
    case kGxOpDiv: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l / r; });
    case kGxOpMod: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l % r; });
    case kGxOpBitAnd: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l & r; });
    case kGxOpBitOr: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l | r; });
    case kGxOpBitXor: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l ^ r; });
    case kGxOpShl: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l << r; });
    case kGxOpShr: return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l = l >> r; });
    case kGxOpUnaryPlus: return Unary([](GxMoaVariable&) {});
    case kGxOpUnaryMinus: return Unary([](GxMoaVariable& v) { v.Negate(); });
    case kGxOpBitNot: return Unary([](GxMoaVariable& v) { v.BitNot(); });
    case kGxOpNot: return Unary([](GxMoaVariable& v) { v.LogicalNot(); });
    case kGxOpAndAnd:
        return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l.ToInt64() != 0 && r.ToInt64() != 0); });
    case kGxOpOrOr:
        return Binary([](GxMoaVariable& l, const GxMoaVariable& r) { l.SetInt64(l.ToInt64() != 0 || r.ToInt64() != 0); });
    case kGxOpAssign: return Assign();
    case kGxOpPostInc:
    case kGxOpPostDec: return PostIncrement(op);
    default: return CompoundAssign(op);
    }
}

bool Executor::CallBuiltin() {
    if (!m_Binder) return Error(u"OPC_CALL_BUILTIN 組み込み関数ポインタが設定されていません");
    const int builtinIndex = int(s32(u64(Operand(1).ToInt64())));
    const GxString name = Operand(2).ToString();
    GxMoaVariable args = TakeArguments();
    if (!PopArray(&args)) return false;
    GxMoaVariable result;

    const u64 generation = m_Worker->GetStackGeneration();
    const size_t depth = m_Stack.size();
    const GxMoaVariable* listData = Frame().m_OpcodeList.data();
    const size_t listSize = Frame().m_OpcodeList.size();
    const s32 pos = Frame().m_OpcodePos;
    const bool ok = m_Binder->CallFunction(&name, builtinIndex, &args, m_Worker, m_Entity, &m_Stack, &result);
    ReturnArguments(std::move(args));
    // The builtin may have jumped, called, returned or exited, or run another
    // expression on this worker: then the running list is not ours to read.
    m_Abandoned = generation != m_Worker->GetStackGeneration() || depth != m_Stack.size() ||
                  Frame().m_OpcodeList.data() != listData || Frame().m_OpcodeList.size() != listSize ||
                  Frame().m_OpcodePos != pos;
    if (!ok) {
        m_Moa->Error(ScriptName(), CurrentLine(), u"%s[builtin:%s]", u"関数実行時にエラーが発生したので停止します", name);
        return false;
    }
    if (m_Abandoned) return true;
    return Push(std::move(result));
}

bool Executor::MakeArray() {
    GxMoaVariable array;
    return PopArray(&array) && Push(std::move(array));
}

bool Executor::Assign() {
    const GxMoaVariable& target = Operand(1);
    GxString scratch;
    const GxStringView name = NameOf(Operand(2), &scratch);
    GxMoaVariable value;
    if (!Pop(&value)) return false;
    if (!IsUpdateTarget(target)) {
        Error(u"OPC_ASSIGN Opecodeが壊れています");
        return Push(std::move(value));
    }
    if (target.GetOpcode() == kGxOpAlterVar) {
        if (GxMoaVariableSet* v = Find(name))
            v->m_Value = value;
        else
            Create(name, -1, &value);
        return Push(std::move(value));
    }
    int index = 0;
    if (!PopTargetIndex(&index, u"OPC_ASSIGN", name)) return false;
    if (GxMoaVariableSet* v = Find(name))
        v->m_Value.SetElement(index, value);
    else
        Create(name, index, &value);
    return Push(std::move(value));
}

bool Executor::PostIncrement(s32 op) {
    const GxMoaVariable& target = Operand(1);
    GxString scratch;
    const GxStringView name = NameOf(Operand(2), &scratch);
    if (!IsUpdateTarget(target)) {
        Error(u"OPC_AFTER_* Opecodeが壊れています");
        return Push(GxMoaVariable());
    }
    int index = -1;
    if (target.GetOpcode() == kGxOpAlterVarAry && !PopTargetIndex(&index, u"OPC_AFTER_*", name)) return false;
    GxMoaVariable old;
    GxMoaVariableSet* v = FindForUpdate(name, index, &old);
    const s64 n = old.ToInt64();
    const GxMoaVariable next = GxMoaVariable::OfInt(s64(op == kGxOpPostInc ? u64(n) + 1 : u64(n) - 1));
    v->m_Value.SetElement(index, next);
    return Push(std::move(old));
}

bool Executor::CompoundAssign(s32 op) {
    const GxMoaVariable& target = Operand(1);
    GxString scratch;
    const GxStringView name = NameOf(Operand(2), &scratch);
    GxMoaVariable right;
    if (!Pop(&right)) return false;
    if (!IsUpdateTarget(target)) {
        Error(u"OPC_ASSIGN_* Opecodeが壊れています");
        return Push(std::move(right));
    }
    int index = -1;
    if (target.GetOpcode() == kGxOpAlterVarAry && !PopTargetIndex(&index, u"OPC_ASSIGN_*", name)) return false;
    GxMoaVariable k;
    GxMoaVariableSet* v = FindForUpdate(name, index, &k);
    switch (op) {
    case kGxOpAddAssign: k += right; break;
    case kGxOpConcatAssign: k.ConcatAssign(right); break;
    case kGxOpSubAssign: k -= right; break;
    case kGxOpMulAssign: k *= right; break;
    case kGxOpDivAssign: k /= right; break;
    case kGxOpModAssign: k %= right; break;
    case kGxOpAndAssign: k.SetInt64(k.ToInt64() & right.ToInt64()); break;
    case kGxOpOrAssign: k.SetInt64(k.ToInt64() | right.ToInt64()); break;
    default: k.SetInt64(k.ToInt64() ^ right.ToInt64()); break;
    }
    v->m_Value.SetElement(index, k);
    return Push(std::move(k));
}

} // namespace

bool Exec_PushStack(const GxMoaVariable& value, std::vector<GxMoaVariable>& stack, int) {
    if (value.IsOpcode()) return false;
    stack.push_back(value);
    return true;
}

int Exec_Opcode(GxMoaFunctionBinder* binder, GxMoaScriptEntity* entity, GxMoa* moa, GxMoaWorker* worker,
                bool statementFlag) {
    if (!worker) {
        if (moa) moa->Error(u"*", 0, u"%s[pc=%d]", u"Exec_Opcode ExecStackとValueStackが指定されていません", -1);
        return 0;
    }
    return Executor(binder, entity, moa ? moa : worker->GetMoa(), worker, statementFlag).Run();
}

bool GxMoa::Eval_Token(GxMoa* moa, GxMoaVariable* result, GxMoaFunctionBinder* binder, GxMoaWorker* worker,
                       GxMoaRunPos start, GxMoaRunPos* cursor, bool statementFlag) {
    if (!worker || worker->GetExecStack()->empty()) {
        moa->Error(u"*", -1, u"%s", u"GxMoa::Eval_Token 実行中ではないWorkerを計算しようとしました");
        moa->m_ErrorFlag = true;
        return false;
    }
    GxMoaExecStackElement& frame = worker->GetExecStack()->back();
    GxMoaScriptEntity* entity = frame.m_ScriptPos.m_pEntity;
    if (!entity) entity = frame.m_ScriptPos.m_pEntity = worker->FindEntity(frame.m_ScriptPos.m_ScriptName);
    GxMoaScript* script = entity ? entity->GetScript() : nullptr;
    frame.ResetOpcodes();
    worker->GetValueStack()->clear();
    if (!script) {
        moa->Error(frame.m_ScriptPos.m_ScriptName, frame.m_ScriptPos.m_Line, u"%s",
                   u"スクリプトが見つからないので実行できません");
        moa->m_ErrorFlag = true;
        return false;
    }
    // A statement run before takes the list its first run compiled; only a
    // list that compiled is kept, so a faulty one is reported every time.
    const GxMoaScript::CompiledExpr* compiled = script->FindCompiled(start);
    if (!compiled) {
        *cursor = start;
        GxMoaSharedOpcodeList::Items list;
        list.reserve(16);
        const bool ok = Phase_Expr(script, &list, cursor, 0);
        GxMoaSharedOpcodeList opcodes(std::move(list));
        if (!ok) {
            frame.m_OpcodeList = std::move(opcodes);
            moa->m_ErrorFlag = true;
            return false;
        }
        compiled = script->AddCompiled(start, {opcodes, GxMoaRunPos(cursor->m_Line, cursor->m_Pos)});
        if (!compiled) frame.m_OpcodeList = std::move(opcodes);
    }
    if (compiled) {
        frame.m_OpcodeList = compiled->opcodes;
        cursor->m_Line = compiled->end.m_Line;
        cursor->m_Pos = compiled->end.m_Pos;
    }
    if (Exec_Opcode(binder, entity, moa, worker, statementFlag) != 1) {
        moa->m_ErrorFlag = true;
        return false;
    }
    if (result) {
        const auto& values = *worker->GetValueStack();
        if (values.size() == 1)
            *result = values.front();
        else
            result->Clear();
    }
    return true;
}
