// assetgen <folder>: writes the program's generated assets into <folder>,
// which is laid out as the program's folder (res/, skins/, sound/) beside
// the hall's shared pictures (hall/Share/Image/) and the web server's
// (web/). The same fonts and libraries give the same files on every run.

#include <cstdio>
#include <string>

#include "tools/assetgen/families.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen <folder>\n");
        return 2;
    }
    std::string root = argv[1];
    if (root.empty() || root.back() != '/') root += '/';
    const bool ok = assetgen::MakeProgramResources(root) && assetgen::MakeSkins(root) &&
                    assetgen::MakeFaces(root) && assetgen::MakePortraits(root) &&
                    assetgen::MakeEngineSounds(root) && assetgen::MakeWebPictures(root) &&
                    assetgen::MakeMahjongTiles(root) && assetgen::MakeMahjongTable(root) &&
                    assetgen::MakeMahjongMarks(root) && assetgen::MakeMahjongPacked(root) &&
                    assetgen::MakeMahjongSounds(root) && assetgen::MakeMahjongMusic(root);
    if (!ok) std::fprintf(stderr, "assetgen: cannot write under %s\n", root.c_str());
    return ok ? 0 : 1;
}
