#include "platform/font/face_alias.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/text.h"

namespace platform {
namespace {

constexpr const char* kMing = "AR PL UMing CN";
constexpr const char* kZenHei = "WenQuanYi Zen Hei";
constexpr const char* kZenHeiMono = "WenQuanYi Zen Hei Mono";
constexpr const char* kSans = "DejaVu Sans";
constexpr const char* kSerif = "DejaVu Serif";
constexpr const char* kMono = "DejaVu Sans Mono";

struct Alias {
    const char* face;
    std::vector<const char*> families;
};

// Serif CJK faces and the bitmap system faces take the Ming face; the sans
// CJK faces take Zen Hei first. Latin faces take DejaVu, whose missing CJK
// characters then come from the fallback faces as Windows' font linking did.
const std::vector<Alias>& AliasTable() {
    static const std::vector<Alias> table = {
        {"宋体", {kMing, kZenHei}},
        {"新宋体", {kMing, kZenHei}},
        {"SimSun", {kMing, kZenHei}},
        {"NSimSun", {kMing, kZenHei}},
        {"楷体_GB2312", {kMing, kZenHei}},
        {"楷体", {kMing, kZenHei}},
        {"KaiTi", {kMing, kZenHei}},
        {"KaiTi_GB2312", {kMing, kZenHei}},
        {"仿宋_GB2312", {kMing, kZenHei}},
        {"仿宋", {kMing, kZenHei}},
        {"FangSong", {kMing, kZenHei}},
        {"FangSong_GB2312", {kMing, kZenHei}},
        {"隶书", {kMing, kZenHei}},
        {"幼圆", {kZenHei, kMing}},
        {"黑体", {kZenHei, kMing}},
        {"SimHei", {kZenHei, kMing}},
        {"微软雅黑", {kZenHei, kMing}},
        {"Microsoft YaHei", {kZenHei, kMing}},
        {"System", {kMing, kZenHei}},
        {"Fixedsys", {kZenHeiMono, kMing}},
        {"Terminal", {kZenHeiMono, kMing}},
        {"Arial", {kSans, kZenHei}},
        {"Tahoma", {kSans, kZenHei}},
        {"Verdana", {kSans, kZenHei}},
        {"MS Sans Serif", {kSans, kZenHei}},
        {"Microsoft Sans Serif", {kSans, kZenHei}},
        {"MS Shell Dlg", {kSans, kZenHei}},
        {"MS Shell Dlg 2", {kSans, kZenHei}},
        {"Segoe UI", {kSans, kZenHei}},
        {"Times New Roman", {kSerif, kMing}},
        {"Courier New", {kMono, kZenHeiMono}},
        {"Courier", {kMono, kZenHeiMono}},
    };
    return table;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
        if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
        if (x != y) return false;
    }
    return true;
}

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '@'))
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

// Our own fontconfig configuration, released at exit so that nothing of
// fontconfig outlives the process' static objects.
struct Fontconfig {
    std::mutex lock;
    FcConfig* config = FcInitLoadConfigAndFonts();
    ~Fontconfig() {
        if (config) FcConfigDestroy(config);
        FcFini();
    }
};

Fontconfig& TheFontconfig() {
    static Fontconfig fontconfig;
    return fontconfig;
}

// Asks fontconfig for `family`; returns the file only when the match really
// is that family (fontconfig always matches something). An empty `family`
// takes whatever fontconfig prefers for Chinese text.
FontFile MatchFamily(const std::string& family) {
    FontFile result;
    Fontconfig& fc = TheFontconfig();
    std::lock_guard<std::mutex> guard(fc.lock);
    if (!fc.config) return result;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return result;
    if (family.empty()) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    } else {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcConfigSubstitute(fc.config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status = FcResultNoMatch;
    FcPattern* match = FcFontMatch(fc.config, pattern, &status);
    FcPatternDestroy(pattern);
    if (!match) return result;

    bool familyMatches = family.empty();
    FcChar8* name = nullptr;
    std::string firstFamily;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        std::string_view matched(reinterpret_cast<const char*>(name));
        if (i == 0) firstFamily = matched;
        if (EqualsIgnoringAsciiCase(matched, family)) familyMatches = true;
    }
    FcChar8* file = nullptr;
    int index = 0;
    if (familyMatches && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        result.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) result.index = index;
        result.family = family.empty() ? firstFamily : family;
    }
    FcPatternDestroy(match);
    return result;
}

}  // namespace

std::vector<std::string> FaceCandidates(std::string_view face) {
    std::string name = Trimmed(face);
    std::vector<std::string> out;
    auto add = [&out](const std::string& family) {
        if (std::find(out.begin(), out.end(), family) == out.end()) out.push_back(family);
    };
    for (const Alias& alias : AliasTable()) {
        if (EqualsIgnoringAsciiCase(name, alias.face)) {
            for (const char* family : alias.families)
                add(family);
            return out;
        }
    }
    if (!name.empty()) add(GbkToUtf8(name));
    add(kMing);
    add(kZenHei);
    return out;
}

FontFile ResolveFace(std::string_view face) {
    static std::mutex cacheLock;
    static std::map<std::string, FontFile, std::less<>> cache;
    {
        std::lock_guard<std::mutex> guard(cacheLock);
        if (auto it = cache.find(face); it != cache.end()) return it->second;
    }
    FontFile file;
    for (const std::string& family : FaceCandidates(face)) {
        file = MatchFamily(family);
        if (!file.path.empty()) break;
    }
    if (file.path.empty()) file = MatchFamily("");
    std::lock_guard<std::mutex> guard(cacheLock);
    // Bound the cache: face names can come from untrusted markup.
    if (cache.size() > 256) cache.clear();
    cache.emplace(std::string(face), file);
    return file;
}

const std::vector<FontFile>& FallbackFaces() {
    static const std::vector<FontFile> faces = [] {
        std::vector<FontFile> out;
        for (const char* family : {kMing, kZenHei}) {
            FontFile file = MatchFamily(family);
            if (!file.path.empty()) out.push_back(file);
        }
        if (out.empty()) {
            FontFile any = MatchFamily("");
            if (!any.path.empty()) out.push_back(any);
        }
        return out;
    }();
    return faces;
}

}  // namespace platform
