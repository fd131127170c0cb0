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
//   mahjong_tiles      skins/<style>/: the table's tile pictures
//   mahjong_table      the cloth, clock, dice, bars and operation buttons
//   mahjong_marks      skins/Common/: the table's shared marks and signs
//   mahjong_packed     the table's packed pictures (".pps")
//   mahjong_sounds     sound/<voice>/: the voices; res/sound: the table's effects
//   mahjong_music      sound/<style>/default.mp3
// Helpers they share: draw.h, smooth_draw.h and raster.h for pictures,
// asset_files.h for the table's files, synth.h and tones.h for sounds.

#include <string>

namespace assetgen {

bool MakeProgramResources(const std::string& root);
bool MakeSkins(const std::string& root);
bool MakeFaces(const std::string& root);
bool MakePortraits(const std::string& root);
bool MakeEngineSounds(const std::string& root);
bool MakeWebPictures(const std::string& root);
bool MakeMahjongTiles(const std::string& root);
bool MakeMahjongTable(const std::string& root);
bool MakeMahjongMarks(const std::string& root);
bool MakeMahjongPacked(const std::string& root);
bool MakeMahjongSounds(const std::string& root);
bool MakeMahjongMusic(const std::string& root);

}  // namespace assetgen
