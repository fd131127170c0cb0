#pragma once
// The picture decoder of the HTML panes: web pictures are told apart by
// their first bytes (a server may name them as it likes), by the address's
// extension when those say nothing, and decoded by the picture readers.

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/gui/surface.h"

namespace client {

platform::Surface DecodeWebPicture(std::span<const uint8_t> bytes, std::string_view url);

}  // namespace client
