#pragma once
// The game server's script file, one line per rule ('#' starts a comment):
//
//   reply <request id> <result code> [delay=<ms>] [<hex bytes>...]
//   silent <request id>                  never answer this id
//   default <result code>                answer every other id with this code
//   notify <notification id> [<hex bytes>...]   pushed after each greeting
//
// Hex bytes may be grouped ("0e000000 00000000").

#include <string>
#include <string_view>

#include "tools/gameserver/server.h"

namespace gameserver {

struct Script {
    std::map<uint32_t, Reply> replies;
    std::optional<Reply> defaultReply;
    std::vector<Body> welcome;
};

// Parses script text; on a bad line, false with `error` naming it.
bool ParseScript(std::string_view text, Script& script, std::string& error);

}  // namespace gameserver
