#pragma once
// The asset families, one file each; every function writes its files under
// `root` (an OS path ending in '/') and answers false when one fails.
//   program_resources  icons 151 and 152, bitmap 162, the framework's
//                      sounds, the menu templates
//   skins              skins/skin1, skins/skin2 and skins/noskin (no skin.ini)
//   faces              hall/Share/Image/face: numbered faces and face.ini
//   portraits          hall/Share/Image/portrait: <n>_0.bmp
//   engine_sounds      the engine's built-in sounds, sound/demo (the engine
//                      demo's click and music)
//   web                web/pictures: the web server's advert pictures
// Drawing helpers they share are in draw.h.

#include <string>

namespace assetgen {

bool MakeProgramResources(const std::string& root);
bool MakeSkins(const std::string& root);
bool MakeFaces(const std::string& root);
bool MakePortraits(const std::string& root);
bool MakeEngineSounds(const std::string& root);
bool MakeWebPictures(const std::string& root);

}  // namespace assetgen
