#pragma once
// The two resource layouts menus are made from, read from untrusted bytes
// and written (by the asset generator and tests):
//   menu template   a header of two words (0, 0), then entries: a flags word
//                   (MF_POPUP 0x10: a submenu follows, MF_END 0x80: the last
//                   entry of its level), for items a command id word, then
//                   the text in UTF-16 ending with a 0 unit
//   toolbar         words: version 1, button width, button height, count,
//                   then the command of each button (0 for a separator);
//                   its pictures are the bitmap resource of the same number,
//                   one button-wide picture per command, left to right
// Texts are GBK here.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace client {

inline constexpr platform::UINT kMenuEnd = 0x80;

struct MenuEntry {
    platform::UINT flags = 0;  // MF_ bits; MF_POPUP for a submenu
    platform::UINT id = 0;
    std::string text;
    std::vector<MenuEntry> children;  // MF_POPUP entries
};

// The top level of a template; nothing when the bytes do not hold one.
std::optional<std::vector<MenuEntry>> ParseMenuTemplate(std::span<const uint8_t> bytes);
std::vector<uint8_t> EncodeMenuTemplate(const std::vector<MenuEntry>& entries);

struct ToolbarTemplate {
    int buttonWidth = 0;
    int buttonHeight = 0;
    std::vector<platform::UINT> commands;  // 0: a separator

    // The picture index of a command (separators have none), or -1.
    int ImageOf(platform::UINT command) const;
};

std::optional<ToolbarTemplate> ParseToolbar(std::span<const uint8_t> bytes);
std::vector<uint8_t> EncodeToolbar(const ToolbarTemplate& toolbar);

}  // namespace client
