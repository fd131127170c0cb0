#pragma once
// SDL key codes to Win32 virtual keys (0 for keys the program never sees).

#include <SDL2/SDL_keycode.h>

namespace platform {

int VirtualKeyFromSdl(SDL_Keycode key);

}  // namespace platform
