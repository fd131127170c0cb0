#include "tools/gameserver/script.h"

#include <charconv>
#include <sstream>

namespace gameserver {
namespace {

bool ParseNumber(std::string_view word, uint32_t& out) {
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
    return ec == std::errc() && end == word.data() + word.size();
}

bool ParseHex(std::string_view word, Bytes& out) {
    if (word.size() % 2 != 0) return false;
    for (size_t i = 0; i < word.size(); i += 2) {
        uint8_t byte = 0;
        auto [end, ec] = std::from_chars(word.data() + i, word.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != word.data() + i + 2) return false;
        out.push_back(byte);
    }
    return true;
}

}  // namespace

bool ParseScript(std::string_view text, Script& script, std::string& error) {
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string verb, word;
        if (!(words >> verb)) continue;
        auto bad = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        uint32_t id = 0;
        if (!(words >> word) || !ParseNumber(word, id)) return bad("expected a number");
        if (verb == "silent") {
            script.replies[id] = Reply::Silent();
            continue;
        }
        if (verb == "default") {
            script.defaultReply = Reply::With(id);
            continue;
        }
        Reply reply;
        Body body{id, {}};
        if (verb == "reply") {
            if (!(words >> word) || !ParseNumber(word, reply.result))
                return bad("expected a result code");
        } else if (verb != "notify") {
            return bad("unknown rule '" + verb + "'");
        }
        while (words >> word) {
            uint32_t ms = 0;
            if (verb == "reply" && word.starts_with("delay=")) {
                if (!ParseNumber(std::string_view(word).substr(6), ms)) return bad("bad delay");
                reply.delay = std::chrono::milliseconds(ms);
            } else if (!ParseHex(word, verb == "reply" ? reply.data : body.data)) {
                return bad("bad hex bytes '" + word + "'");
            }
        }
        if (verb == "reply")
            script.replies[id] = std::move(reply);
        else
            script.welcome.push_back(std::move(body));
    }
    return true;
}

}  // namespace gameserver
