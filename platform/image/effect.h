#pragma once
// The declarations of an effect source file (".fx", HLSL effect syntax),
// read without compiling any shader code: the top-level parameters with their
// class, type, rows, columns, elements, struct members, flags, size,
// semantic and annotations, and the techniques with their annotations and
// passes. #include lines are expanded through a caller's include handler,
// each included file's bytes read while the handler keeps them open.
//
// Effects are parsed, not run: there is no shader compiler or execution
// here. Names are kept as the narrow bytes of the file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pimage {

// Parameter classes and types, numbered as the effect framework's own.
enum class effect_class : uint32_t { scalar = 0, vector = 1, matrix_rows = 2, matrix_columns = 3, object = 4, structure = 5 };
enum class effect_type : uint32_t {
    void_type = 0, boolean = 1, integer = 2, floating = 3, string = 4,
    texture = 5, texture1d = 6, texture2d = 7, texture3d = 8, texturecube = 9,
    sampler = 10, sampler1d = 11, sampler2d = 12, sampler3d = 13, samplercube = 14,
    pixelshader = 15, vertexshader = 16,
};
// Parameter flags.
constexpr uint32_t effect_flag_shared = 1;

struct effect_annotation {
    std::string name;
    effect_type type = effect_type::void_type;
    bool has_number = false;  // a bool, int or float value was given
    double number = 0;
    std::string text;  // a string value
};

struct effect_parameter {
    std::string name;
    std::string semantic;  // empty when none is given
    effect_class cls = effect_class::scalar;
    effect_type type = effect_type::void_type;
    uint32_t rows = 0, columns = 0;
    uint32_t elements = 0;  // 0 when not an array
    uint32_t struct_members = 0;
    uint32_t flags = 0;
    uint32_t bytes = 0;
    std::vector<effect_annotation> annotations;
};

struct effect_pass {
    std::string name;
    std::vector<effect_annotation> annotations;
};

struct effect_technique {
    std::string name;
    std::vector<effect_annotation> annotations;
    std::vector<effect_pass> passes;
    // Whether the technique could run: techniques are not validated against a
    // device here, so every one is.
    bool valid = true;
};

struct effect {
    std::vector<effect_parameter> parameters;
    std::vector<effect_technique> techniques;
};

// Opens the files an effect includes. open returns the bytes, which must stay
// readable until the matching close; files may nest.
class effect_include {
public:
    virtual ~effect_include() = default;
    virtual bool open(const std::string& file_name, const char** data, size_t* size) = 0;
    virtual void close(const char* data) = 0;
};

// How deep includes may nest, how many files one effect may include in all,
// and how many tokens a whole effect may hold.
constexpr int max_include_depth = 16;
constexpr size_t max_effect_includes = 1024;
constexpr size_t max_effect_tokens = 1u << 20;

// Parses the source. false with the compiler-style messages in errors
// ("(line): error: ...") when the declarations cannot be read.
bool parse_effect(const char* data, size_t size, effect_include* include, effect& out, std::string& errors);

} // namespace pimage
