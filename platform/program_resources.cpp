#include "platform/program_resources.h"

#include "platform/paths.h"

namespace platform {
namespace {

struct TypeInfo {
    const char* folder;
    const char* extension;
};

TypeInfo InfoOf(ResourceType type) {
    switch (type) {
        case ResourceType::kIcon:
            return {"icon", ".ico"};
        case ResourceType::kBitmap:
            return {"bitmap", ".bmp"};
        case ResourceType::kSound:
            return {"sound", ".wav"};
        case ResourceType::kMenu:
            return {"menu", ".menu"};
        case ResourceType::kToolbar:
            return {"toolbar", ".bar"};
    }
    return {"", ""};
}

bool IsResourceName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name) {
        const bool ok =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!ok) return false;
    }
    return true;
}

}  // namespace

std::string ProgramResourcePath(ResourceType type, std::string_view name) {
    if (!IsResourceName(name)) return {};
    const TypeInfo info = InfoOf(type);
    return ProgramDir() + "res/" + info.folder + "/" + std::string(name) + info.extension;
}

std::string ProgramResourcePath(ResourceType type, uint32_t id) {
    return ProgramResourcePath(type, std::to_string(id));
}

std::optional<std::vector<uint8_t>> LoadProgramResource(ResourceType type, std::string_view name) {
    const std::string path = ProgramResourcePath(type, name);
    if (path.empty()) return std::nullopt;
    return ReadFileBytes(path, kMaxResourceBytes);
}

std::optional<std::vector<uint8_t>> LoadProgramResource(ResourceType type, uint32_t id) {
    return LoadProgramResource(type, std::to_string(id));
}

}  // namespace platform
