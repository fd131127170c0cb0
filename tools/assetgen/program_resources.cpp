// The program's own resources: the default portrait icon (151), the
// program's icon (152), the default portrait bitmap (162), the framework's
// sounds and the menu templates.

#include <cmath>

#include "client/controls/menu_resources.h"
#include "platform/gui/menu.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/tones.h"
#include "tools/assetgen/writers.h"

namespace assetgen {

using platform::RGB;
namespace {

platform::Surface PortraitIcon(int side) {
    platform::Surface s(side, side);  // clear
    platform::Painter p(s);
    DrawPerson(p, s.Bounds(), RGB(70, 90, 130), RGB(235, 200, 170));
    return s;
}

platform::Surface ProgramIcon(int side) {
    platform::Surface s(side, side);
    platform::Painter p(s);
    const int m = side / 8;
    p.FillSolidRect({m, 0, side - m, side}, RGB(60, 120, 60));
    p.FillSolidRect({m, 0, side - m - side / 16, side - side / 16}, RGB(250, 246, 230));
    CentredText(p, {m, 0, side - m, side - side / 16}, "中",
                {.face = "宋体", .height = -(side * 3 / 4), .weight = platform::FW_BOLD},
                RGB(200, 20, 20));
    return s;
}

std::vector<client::MenuEntry> PlayerListMenu() {
    using platform::MF_SEPARATOR;
    return {{platform::MF_POPUP,
             0,
             "playerlist",
             {{0, 1900, "hello", {}},
              {MF_SEPARATOR, 0, "", {}},
              {0, 1901, "详细信息", {}},
              {MF_SEPARATOR, 0, "", {}},
              {0, 1902, "级别", {}},
              {0, 1903, "积分", {}},
              {0, 1904, "银子", {}},
              {MF_SEPARATOR, 0, "", {}},
              {0, 1906, "允许看牌", {}},
              {MF_SEPARATOR, 0, "", {}},
              {0, 1905, "呼叫玩家", {}}}}};
}

}  // namespace

bool MakeProgramResources(const std::string& root) {
    const std::string res = root + "res/";
    bool ok = WriteIco(res + "icon/151.ico", {PortraitIcon(32), PortraitIcon(16)});
    ok = WriteIco(res + "icon/152.ico", {ProgramIcon(32), ProgramIcon(16)}) && ok;
    platform::Surface portrait(32, 32);
    portrait.Fill(platform::PixelOf(RGB(200, 214, 232)));
    platform::Painter p(portrait);
    DrawPerson(p, portrait.Bounds(), RGB(70, 90, 130), RGB(235, 200, 170));
    ok = WriteBmp(res + "bitmap/162.bmp", portrait) && ok;
    // Agreeing (a short click), a message box (a two-note chime), a request
    // (three rising notes).
    ok = WriteWav(res + "sound/29010.wav", Tones({1320}, 60), kRate) && ok;
    ok = WriteWav(res + "sound/29014.wav", Tones({660, 990}, 160), kRate) && ok;
    ok = WriteWav(res + "sound/29015.wav", Tones({523, 659, 784}, 120), kRate) && ok;
    const auto skinMenu = client::EncodeMenuTemplate(
        {{platform::MF_POPUP, 0, "skin", {{0, 20000, "更多皮肤...", {}}}}});
    ok = WriteBytes(res + "menu/131.menu", skinMenu) && ok;
    const auto players = client::EncodeMenuTemplate(PlayerListMenu());
    ok = WriteBytes(res + "menu/130.menu", players) && ok;
    ok = WriteBytes(res + "menu/playerlist.menu", players) && ok;
    return ok;
}

}  // namespace assetgen
