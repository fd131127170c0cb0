#pragma once
// Turns the face names the program uses into installed font files: an alias
// table maps Windows face names to families that are actually installed
// (CJK faces to AR PL UMing, then WenQuanYi Zen Hei), and fontconfig finds
// the file. Resolution results are cached; the functions are thread-safe.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FontFile {
    std::string path;
    int index = 0;       // face index inside a collection (.ttc)
    std::string family;  // the family fontconfig matched
    bool operator==(const FontFile&) const = default;
};

// Families to try for a face name (GBK or ASCII, compared without case), in
// order of preference. Unknown names are tried as given, then as the
// default CJK face.
std::vector<std::string> FaceCandidates(std::string_view face);

// The first candidate family that is installed. `path` is empty only when
// fontconfig finds no font at all.
FontFile ResolveFace(std::string_view face);

// Faces that supply characters the requested face lacks, best first.
const std::vector<FontFile>& FallbackFaces();

}  // namespace platform
