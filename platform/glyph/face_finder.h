#pragma once
// Finding the font file for a face name through fontconfig.
//
// The engine's default face is the Japanese system gothic of the platform it
// was written for; that name and its usual aliases (and an empty name) map to
// an installed Japanese gothic: IPAGothic, then VL Gothic, then any face
// fontconfig finds for Japanese, then any face at all. Any other name is
// looked for among the installed families; one that names none falls back to
// the default, marked as substituted so that the caller can warn.
#include <string>
#include <string_view>

namespace pglyph {

struct face_choice {
    std::string family;  // UTF-8, as fontconfig names it
    std::string file;
    int index = 0;       // face index within the file
    // The name asked for named no installed face; the default stands in.
    bool substituted = false;
};

struct face_lookup {
    face_choice choice;
    bool found = false;  // false: no face at all is installed
    // The first look-up of this name in the process (for logging once).
    bool first = false;
};

face_lookup find_face(std::u16string_view name);
// Whether the name is the platform's Japanese system gothic or an alias of it.
bool is_default_face_name(std::u16string_view name);

} // namespace pglyph
