#include "platform/image/effect.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

namespace pimage {
namespace {

enum class tok_kind { ident, number, string, punct };

struct token {
    tok_kind kind;
    std::string text;
    int line;
    int file;  // index into the lexer's file names
};

bool ident_start(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool ident_char(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

bool same_nocase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Splits the source into tokens, expanding #include lines in place. The
// bytes of a file are read up to its end while it is open, so a nested
// include must not take them away.
class lexer {
public:
    lexer(effect_include* inc, std::vector<token>& out, std::string& errors) : inc_(inc), out_(out), errors_(errors) {
        files_.push_back("");
    }

    bool lex(const char* p, size_t n, int depth, int file) {
        size_t i = 0;
        int line = 1;
        bool line_start = true;
        while (i < n) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            if (c == '\n') {
                ++line, ++i, line_start = true;
                continue;
            }
            if (std::isspace(c) || c == 0) {
                ++i;
                continue;
            }
            if (c == '/' && i + 1 < n && p[i + 1] == '/') {
                while (i < n && p[i] != '\n') ++i;
                continue;
            }
            if (c == '/' && i + 1 < n && p[i + 1] == '*') {
                i += 2;
                while (i < n && !(p[i] == '*' && i + 1 < n && p[i + 1] == '/')) line += p[i++] == '\n';
                i = std::min(n, i + 2);
                continue;
            }
            if (c == '#' && line_start) {
                std::string directive;
                while (i < n && p[i] != '\n') {
                    if (p[i] == '\\' && i + 1 < n && p[i + 1] == '\n') {
                        i += 2, ++line;
                        continue;
                    }
                    directive.push_back(p[i++]);
                }
                if (!run_directive(directive, depth, file, line)) return false;
                continue;
            }
            line_start = false;
            token t{tok_kind::punct, std::string(), line, file};
            const size_t start = i;
            if (ident_start(c)) {
                while (i < n && ident_char(static_cast<unsigned char>(p[i]))) ++i;
                t.kind = tok_kind::ident;
            } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(p[i + 1])))) {
                while (i < n) {
                    const unsigned char d = static_cast<unsigned char>(p[i]);
                    if ((d == '+' || d == '-') && (p[i - 1] == 'e' || p[i - 1] == 'E')) {
                        ++i;
                    } else if (std::isalnum(d) || d == '.') {
                        ++i;
                    } else {
                        break;
                    }
                }
                t.kind = tok_kind::number;
            } else if (c == '"') {
                ++i;
                std::string s;
                while (i < n && p[i] != '"' && p[i] != '\n') {
                    if (p[i] == '\\' && i + 1 < n) ++i;
                    s.push_back(p[i++]);
                }
                if (i >= n || p[i] != '"') return error(file, line, "unterminated string");
                ++i;
                t.kind = tok_kind::string;
                t.text = std::move(s);
            } else {
                ++i;
            }
            if (t.kind != tok_kind::string) t.text.assign(p + start, i - start);
            out_.push_back(std::move(t));
            if (out_.size() > max_effect_tokens) return error(file, line, "the effect is too large");
        }
        return true;
    }

    std::string where(int file, int line) const { return files_[size_t(file)] + "(" + std::to_string(line) + ")"; }

private:
    bool error(int file, int line, const std::string& what) {
        errors_ += where(file, line) + ": error: " + what + "\n";
        return false;
    }

    bool run_directive(const std::string& d, int depth, int file, int line) {
        size_t i = 1;
        while (i < d.size() && std::isspace(static_cast<unsigned char>(d[i]))) ++i;
        if (d.compare(i, 7, "include") != 0) return true;  // other directives change no declaration we read
        i += 7;
        while (i < d.size() && std::isspace(static_cast<unsigned char>(d[i]))) ++i;
        if (i >= d.size() || (d[i] != '"' && d[i] != '<')) return error(file, line, "#include expects a file name");
        const char close = d[i] == '"' ? '"' : '>';
        const size_t end = d.find(close, i + 1);
        if (end == std::string::npos) return error(file, line, "#include expects a file name");
        const std::string name = d.substr(i + 1, end - i - 1);
        if (depth + 1 > max_include_depth) return error(file, line, "#include nested too deeply: " + name);
        if (++includes_ > max_effect_includes) return error(file, line, "too many #include lines: " + name);
        const char* data = nullptr;
        size_t size = 0;
        if (!inc_ || !inc_->open(name, &data, &size)) return error(file, line, "cannot open include file: " + name);
        files_.push_back(name);
        const bool ok = lex(data, data ? size : 0, depth + 1, int(files_.size() - 1));
        inc_->close(data);
        return ok;
    }

    effect_include* inc_;
    std::vector<token>& out_;
    std::string& errors_;
    std::vector<std::string> files_;
    size_t includes_ = 0;
};

struct type_info {
    effect_class cls = effect_class::scalar;
    effect_type type = effect_type::void_type;
    uint32_t rows = 0, columns = 0, members = 0, bytes = 0;
    bool is_static = false;
    uint32_t flags = 0;
};

// Reads the declarations from the tokens. Every loop consumes at least one
// token per turn, so no input can make it spin.
class parser {
public:
    parser(const std::vector<token>& toks, const lexer& lx, effect& out, std::string& errors)
        : t_(toks), lx_(lx), out_(out), errors_(errors) {}

    bool run() {
        while (pos_ < t_.size()) {
            const size_t before = pos_;
            if (is(";")) {
                ++pos_;
            } else if (is_ident("technique") || is_ident("technique9") || is_ident("technique10") ||
                       is_ident("technique11")) {
                if (!technique()) return false;
            } else if (is_ident("typedef")) {
                skip_statement();
            } else if (is_ident("cbuffer") || is_ident("tbuffer")) {
                if (!buffer()) return false;
            } else if (!declaration(false)) {
                return false;
            }
            if (pos_ == before) return fail("unexpected token");
        }
        return true;
    }

private:
    const token* peek(size_t k = 0) const { return pos_ + k < t_.size() ? &t_[pos_ + k] : nullptr; }
    bool is(const char* punct, size_t k = 0) const {
        const token* t = peek(k);
        return t && t->kind == tok_kind::punct && t->text == punct;
    }
    bool is_ident(const char* word, size_t k = 0) const {
        const token* t = peek(k);
        return t && t->kind == tok_kind::ident && t->text == word;
    }
    bool accept(const char* punct) {
        if (!is(punct)) return false;
        ++pos_;
        return true;
    }
    bool fail(const std::string& what) {
        const token* t = peek();
        if (!t && !t_.empty()) t = &t_.back();
        errors_ += (t ? lx_.where(t->file, t->line) : std::string("(1)")) + ": error: " + what;
        if (peek()) errors_ += " near '" + peek()->text + "'";
        errors_ += "\n";
        return false;
    }
    bool expect(const char* punct) { return accept(punct) || fail(std::string("expected '") + punct + "'"); }

    // Skips a balanced group opened by the current token.
    bool skip_group(const char* open, const char* close) {
        if (!expect(open)) return false;
        int depth = 1;
        while (pos_ < t_.size() && depth > 0) {
            if (is(open)) ++depth;
            else if (is(close)) --depth;
            ++pos_;
        }
        return depth == 0 || fail(std::string("missing '") + close + "'");
    }

    // Up to and including the ';' that ends a statement at bracket depth 0.
    void skip_statement() {
        int depth = 0;
        while (pos_ < t_.size()) {
            if (is("(") || is("{") || is("[")) ++depth;
            if (is(")") || is("}") || is("]")) depth = std::max(0, depth - 1);
            if (depth == 0 && is(";")) {
                ++pos_;
                return;
            }
            ++pos_;
        }
    }

    // An initializer, up to the ',' or ';' that ends it at depth 0.
    void skip_initializer() {
        int depth = 0;
        while (pos_ < t_.size()) {
            if (depth == 0 && (is(",") || is(";"))) return;
            if (is("(") || is("{") || is("[")) ++depth;
            if (is(")") || is("}") || is("]")) {
                if (depth == 0) return;
                --depth;
            }
            ++pos_;
        }
    }

    bool number(uint32_t* v) {
        const token* t = peek();
        if (!t || t->kind != tok_kind::number) return fail("expected a number");
        *v = uint32_t(std::strtoul(t->text.c_str(), nullptr, 0));
        ++pos_;
        return true;
    }

    static void numeric(type_info& ti, effect_class cls, effect_type type, uint32_t rows, uint32_t cols) {
        ti.cls = cls, ti.type = type, ti.rows = rows, ti.columns = cols, ti.bytes = 4 * rows * cols;
    }

    static bool scalar_type(const std::string& s, effect_type* type) {
        if (s == "bool") *type = effect_type::boolean;
        else if (s == "int" || s == "uint" || s == "dword" || s == "DWORD") *type = effect_type::integer;
        else if (s == "float" || s == "half" || s == "double" || s == "min16float") *type = effect_type::floating;
        else return false;
        return true;
    }

    // bool, float3, int4x4 ... : the scalar name and its dimensions.
    static bool sized_type(const std::string& s, effect_type* type, uint32_t* rows, uint32_t* cols, bool* matrix) {
        size_t digits = s.size();
        while (digits > 0 && (std::isdigit(static_cast<unsigned char>(s[digits - 1])) || s[digits - 1] == 'x')) --digits;
        if (!scalar_type(s.substr(0, digits), type)) return false;
        const std::string dims = s.substr(digits);
        *matrix = false;
        *rows = *cols = 1;
        if (dims.empty()) return true;
        if (dims.size() == 1 && dims[0] >= '1' && dims[0] <= '4') {
            *cols = uint32_t(dims[0] - '0');
            return true;
        }
        if (dims.size() == 3 && dims[1] == 'x' && dims[0] >= '1' && dims[0] <= '4' && dims[2] >= '1' && dims[2] <= '4') {
            *rows = uint32_t(dims[0] - '0'), *cols = uint32_t(dims[2] - '0'), *matrix = true;
            return true;
        }
        return false;
    }

    static bool object_type(const std::string& s, effect_type* type) {
        static const std::pair<const char*, effect_type> names[] = {
            {"string", effect_type::string},           {"texture", effect_type::texture},
            {"texture1d", effect_type::texture1d},     {"texture2d", effect_type::texture2d},
            {"texture3d", effect_type::texture3d},     {"texturecube", effect_type::texturecube},
            {"sampler", effect_type::sampler},         {"sampler1d", effect_type::sampler1d},
            {"sampler2d", effect_type::sampler2d},     {"sampler3d", effect_type::sampler3d},
            {"samplercube", effect_type::samplercube}, {"pixelshader", effect_type::pixelshader},
            {"vertexshader", effect_type::vertexshader},
        };
        for (const auto& [name, t] : names)
            if (same_nocase(s, name)) {
                *type = t;
                return true;
            }
        return false;
    }

    bool parse_type(type_info& ti) {
        bool row_major = false;
        for (;;) {
            const token* t = peek();
            if (!t || t->kind != tok_kind::ident) return fail("expected a type");
            const std::string& w = t->text;
            if (w == "static") ti.is_static = true;
            else if (w == "shared") ti.flags |= effect_flag_shared;
            else if (w == "row_major") row_major = true;
            else if (w == "column_major") row_major = false;
            else if (w != "uniform" && w != "extern" && w != "const" && w != "volatile" && w != "inline" &&
                     w != "precise" && w != "nointerpolation" && w != "snorm" && w != "unorm")
                break;
            ++pos_;
        }
        const std::string w = peek()->text;
        ++pos_;
        effect_type type;
        uint32_t rows = 1, cols = 1;
        bool matrix = false;
        if (sized_type(w, &type, &rows, &cols, &matrix)) {
        } else if (w == "vector" || w == "matrix") {
            matrix = w == "matrix";
            type = effect_type::floating;
            rows = matrix ? 4 : 1, cols = 4;
            if (accept("<")) {
                const token* s = peek();
                if (!s || !scalar_type(s->text, &type)) return fail("expected a scalar type");
                ++pos_;
                if (matrix) {
                    if (!expect(",") || !number(&rows)) return false;
                }
                if (!expect(",") || !number(&cols) || !expect(">")) return false;
                if (rows < 1 || rows > 4 || cols < 1 || cols > 4) return fail("bad dimension");
            }
        } else if (object_type(w, &type)) {
            ti.cls = effect_class::object, ti.type = type, ti.bytes = 4;
            return true;
        } else if (auto it = structs_.find(w); it != structs_.end()) {
            ti.cls = effect_class::structure, ti.type = effect_type::void_type;
            ti.members = it->second.members, ti.bytes = it->second.bytes;
            return true;
        } else if (w == "void") {
            ti.cls = effect_class::scalar, ti.type = effect_type::void_type;
            return true;
        } else if (w == "struct") {
            --pos_;
            return struct_type(ti);
        } else {
            --pos_;
            return fail("unknown type '" + w + "'");
        }
        const effect_class cls = matrix ? (row_major ? effect_class::matrix_rows : effect_class::matrix_columns)
                                        : (cols > 1 ? effect_class::vector : effect_class::scalar);
        numeric(ti, cls, type, rows, cols);
        return true;
    }

    // struct [name] { members }: its members counted and sized.
    bool struct_type(type_info& ti) {
        if (++struct_depth_ > 8) return fail("structures nested too deeply");
        ++pos_;  // struct
        std::string name;
        if (peek() && peek()->kind == tok_kind::ident) name = t_[pos_++].text;
        type_info s;
        s.cls = effect_class::structure;
        if (!expect("{")) return false;
        while (!accept("}")) {
            if (!peek()) return fail("missing '}'");
            const size_t before = pos_;
            type_info m;
            if (!parse_type(m)) return false;
            do {
                const token* id = peek();
                if (!id || id->kind != tok_kind::ident) return fail("expected a member name");
                ++pos_;
                uint32_t elements = 0;
                if (!array_suffix(&elements)) return false;
                if (accept(":")) semantic();
                ++s.members;
                s.bytes += m.bytes * std::max(elements, 1u);
            } while (accept(","));
            if (!expect(";")) return false;
            if (pos_ == before) return fail("unexpected token");
        }
        --struct_depth_;
        if (!name.empty()) structs_[name] = s;
        ti.cls = effect_class::structure;
        ti.members = s.members, ti.bytes = s.bytes;
        return true;
    }

    bool array_suffix(uint32_t* elements) {
        *elements = 0;
        while (accept("[")) {
            uint32_t n = 0;
            if (!number(&n) || !expect("]")) return false;
            if (n == 0 || n > 65536) return fail("bad array size");
            *elements = *elements ? std::min<uint32_t>(*elements * n, 1u << 24) : n;
        }
        return true;
    }

    // After ':': a semantic name, or register(...) which is not one.
    std::string semantic() {
        const token* t = peek();
        if (!t || t->kind != tok_kind::ident) return std::string();
        ++pos_;
        if (t->text == "register" || t->text == "packoffset") {
            if (is("(")) skip_group("(", ")");
            return std::string();
        }
        return t->text;
    }

    bool annotations(std::vector<effect_annotation>& out) {
        if (!accept("<")) return true;
        while (!accept(">")) {
            if (!peek()) return fail("missing '>'");
            effect_annotation a;
            type_info ti;
            if (!parse_type(ti)) return false;
            a.type = ti.type;
            const token* id = peek();
            if (!id || id->kind != tok_kind::ident) return fail("expected an annotation name");
            a.name = id->text;
            ++pos_;
            uint32_t elements = 0;
            if (!array_suffix(&elements) || !expect("=")) return false;
            annotation_value(a);
            if (!expect(";")) return false;
            out.push_back(std::move(a));
        }
        return true;
    }

    void annotation_value(effect_annotation& a) {
        bool negative = false;
        if (accept("-")) negative = true;
        const token* v = peek();
        if (!v) return;
        if (v->kind == tok_kind::string) {
            a.text = v->text;
            ++pos_;
        } else if (v->kind == tok_kind::number) {
            a.has_number = true;
            a.number = std::strtod(v->text.c_str(), nullptr);
            if (v->text.size() > 2 && v->text[0] == '0' && (v->text[1] == 'x' || v->text[1] == 'X'))
                a.number = double(std::strtoul(v->text.c_str(), nullptr, 16));
            if (negative) a.number = -a.number;
            ++pos_;
        } else if (v->kind == tok_kind::ident && (v->text == "true" || v->text == "false")) {
            a.has_number = true;
            a.number = v->text == "true" ? 1 : 0;
            ++pos_;
        } else {
            skip_initializer();
        }
    }

    // A declaration at the top level or in a constant buffer: a parameter
    // (or several), a function, or a structure.
    bool declaration(bool in_buffer) {
        type_info ti;
        if (is_ident("struct")) {
            if (!struct_type(ti)) return false;
            if (accept(";")) return true;
        } else if (!parse_type(ti)) {
            return false;
        }
        for (;;) {
            const token* id = peek();
            if (!id || id->kind != tok_kind::ident) return fail("expected a name");
            const std::string name = id->text;
            ++pos_;
            if (is("(")) {
                if (in_buffer) return fail("a function inside a buffer");
                if (!skip_group("(", ")")) return false;
                while (accept(":")) semantic();
                if (is("{")) return skip_group("{", "}");
                return expect(";");
            }
            effect_parameter p;
            p.name = name;
            if (!array_suffix(&p.elements)) return false;
            if (accept(":")) p.semantic = semantic();
            if (!annotations(p.annotations)) return false;
            if (accept("=")) skip_initializer();
            // Static variables are the effect's own, not parameters.
            if (!ti.is_static && (ti.type != effect_type::void_type || ti.cls == effect_class::structure)) {
                p.cls = ti.cls, p.type = ti.type, p.rows = ti.rows, p.columns = ti.columns;
                p.struct_members = ti.members, p.flags = ti.flags;
                p.bytes = ti.bytes * std::max(p.elements, 1u);
                out_.parameters.push_back(std::move(p));
            }
            if (accept(";")) return true;
            if (!expect(",")) return false;
        }
    }

    bool buffer() {
        pos_ += 1;
        if (peek() && peek()->kind == tok_kind::ident) ++pos_;
        if (accept(":")) semantic();
        if (!expect("{")) return false;
        while (!accept("}")) {
            if (!peek()) return fail("missing '}'");
            const size_t before = pos_;
            if (!declaration(true)) return false;
            if (pos_ == before) return fail("unexpected token");
        }
        accept(";");
        return true;
    }

    bool technique() {
        ++pos_;
        effect_technique tech;
        if (peek() && peek()->kind == tok_kind::ident) tech.name = t_[pos_++].text;
        if (!annotations(tech.annotations) || !expect("{")) return false;
        while (!accept("}")) {
            if (!peek()) return fail("missing '}'");
            if (is_ident("pass")) {
                ++pos_;
                effect_pass pass;
                if (peek() && peek()->kind == tok_kind::ident) pass.name = t_[pos_++].text;
                if (!annotations(pass.annotations) || !skip_group("{", "}")) return false;
                tech.passes.push_back(std::move(pass));
            } else {
                ++pos_;
            }
        }
        out_.techniques.push_back(std::move(tech));
        return true;
    }

    const std::vector<token>& t_;
    const lexer& lx_;
    effect& out_;
    std::string& errors_;
    size_t pos_ = 0;
    int struct_depth_ = 0;
    std::map<std::string, type_info> structs_;
};

} // namespace

bool parse_effect(const char* data, size_t size, effect_include* include, effect& out, std::string& errors) {
    out = effect{};
    std::vector<token> tokens;
    lexer lx(include, tokens, errors);
    if (!lx.lex(data ? data : "", data ? size : 0, 0, 0)) return false;
    parser ps(tokens, lx, out, errors);
    if (ps.run()) return true;
    out = effect{};
    return false;
}

} // namespace pimage
