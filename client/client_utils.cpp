#include "client/client_utils.h"

#include <cstdio>
#include <cstdlib>

#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "transport/util.h"

namespace client {

std::string GetHallMachineFilePath() {
    return platform::SystemDir() + "mirb.ini";
}

std::string& TrimSpaces(std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
        return text;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    text.erase(0, first);
    return text;
}

BarSplit SplitByBar(std::string_view text, size_t maxFields) {
    BarSplit out;
    if (maxFields == 0) return out;
    size_t start = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t len = platform::GbkCharLength(text, pos);
        if (len == 1 && text[pos] == '|') {
            out.fields.push_back(text.substr(start, pos - start));
            start = pos + 1;
            if (out.fields.size() == maxFields) {
                // The separator ended the last field wanted; what follows is
                // the rest, but a separator at the very end leaves none.
                if (start < text.size()) {
                    out.hasRest = true;
                    out.rest = text.substr(start);
                    return out;
                }
                return out;
            }
        }
        pos += len;
    }
    out.fields.push_back(text.substr(start));
    return out;
}

std::string MachineIdFromAdapters(const std::vector<std::array<uint8_t, 6>>& addresses) {
    if (addresses.empty()) return {};
    uint8_t buffer[128] = {};
    size_t used = 0;
    for (const auto& a : addresses) {
        if (used + a.size() > sizeof(buffer)) break;
        for (uint8_t b : a)
            buffer[used++] = b;
    }
    std::string hex;
    transport::BytesToHex(buffer, int(sizeof(buffer)), hex);
    return hex.substr(0, 31);
}

std::string GetMachineUniqueId() {
    std::vector<std::array<uint8_t, 6>> addresses;
    for (const auto& adapter : platform::GetEthernetAdapterAddresses())
        addresses.push_back(adapter.address);
    std::string id = MachineIdFromAdapters(addresses);
    const std::string file = GetHallMachineFilePath();
    if (id.empty()) id = platform::GetPrivateProfileString("SYSTEM", "UniqueID", "", file, 32);
    std::string trimmed = id;
    if (TrimSpaces(trimmed).empty()) {
        id.clear();
        transport::FillRandomId(id);
        platform::WritePrivateProfileString("SYSTEM", "UniqueID", id.c_str(), file);
    }
    return id;
}

std::string GetHallExePath() {
    return platform::GetPrivateProfileString("SYSTEM", "ExePath", "", GetHallMachineFilePath(),
                                             260);
}

std::string WealthTitle(int32_t amount) {
    static const char* const kTitles[] = {
        "临时工",   "合同工", "正式工",   "副主管",     "主管",     "副经理",   "经理",
        "副总经理", "总经理", "副总裁",   "总裁",       "董事",     "副董事长", "董事长",
        "富豪",     "大富豪", "超级富豪", "超级大富豪", "世界首富",
    };
    if (amount < 0) return "负债";
    if (amount < 100) return "待业";
    int k = 0;
    while (k + 1 < 19 && int64_t(amount) >= (int64_t(100) << (k + 1)))
        ++k;
    return kTitles[k];
}

uint32_t ParseRgb(std::string_view text, uint32_t def) {
    if (text.empty()) return def;
    std::string rest(text);
    uint32_t parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        parts[i] = uint32_t(std::atoi(rest.c_str())) & 0xFF;
        const size_t blank = rest.find(' ');
        if (blank == std::string::npos) {
            for (int j = i + 1; j < 3; ++j)
                parts[j] = parts[i];
            break;
        }
        rest.erase(0, blank + 1);
        TrimSpaces(rest);
    }
    return parts[0] | parts[1] << 8 | parts[2] << 16;
}

std::string IntToString(int32_t n) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", n);
    return text;
}

}  // namespace client
