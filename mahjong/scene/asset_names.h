#pragma once
// The files the table scene loads: every picture, packed picture, voice and
// music file, with its folder, engine title, colour key and cell layout.
// tools/assetgen makes each file from these entries, so a name or a size is
// written once.
//
// Folders under the program folder:
//   skins/Common/   the pictures every style shares
//   skins/<style>/  one style's tiles, cloth, clock, bars and packed pictures
//   sound/<style>/  that style's music, "default.mp3"
//   sound/<voice>/  one voice: the operation words and the tile names; the
//                   folders whose names begin with "0" serve voice kind 0,
//                   those beginning with "1" voice kind 1
//   res/sound/      the sound resources the table plays by id (kTableSounds)
//
// Pictures are strips: cell n of a picture starts at x = n x cell width.
// Packed pictures with more than one frame stack them: frame n starts at
// y = n x cell height. A tile strip has kTileCells cells indexed by
// TileImageIndex (0-8, 9-17, 18-26 the three suits, 27-33 the honours,
// 34-45 the flowers, 46 the back).

#include <cstdint>

namespace mahjong::assets {

inline constexpr int32_t kTileCells = 47;
inline constexpr int32_t kBackCell = 46;

inline constexpr uint32_t kMagenta = 0xff00ff;  // COLORREF colour keys
inline constexpr uint32_t kPureBlue = 0xff0000;
inline constexpr uint32_t kPureGreen = 0x00ff00;

struct Picture {
    const char* file;
    // The engine resource title (GBK); only the 800 and 1024 pictures of one
    // choice share theirs.
    const char* title;
    uint32_t colorKey;  // the key the scene loads it with
    int32_t cellWidth, cellHeight;
    int32_t cells;   // side by side
    int32_t frames;  // stacked (packed pictures)

    constexpr int32_t Width() const { return cellWidth * cells; }
    constexpr int32_t Height() const { return cellHeight * frames; }
};

inline constexpr const char* kSkinsFolder = "skins";
inline constexpr const char* kCommonFolder = "Common";
inline constexpr const char* kSoundFolder = "sound";
inline constexpr const char* kMusicFile = "default.mp3";

// The styles made here; [SKIN] "Style0" to "Style2" name them ("Classic" is
// the default of all three).
inline constexpr const char* kStyles[] = {"Classic", "Azure"};

// skins/Common: the pictures that load settings and the scene's engine
// controls load, in their loading order.
inline constexpr Picture kCommonPictures[] = {
    {"dice1.bmp", "骰子1", kPureBlue, 106, 99, 9, 1},
    {"dice2.bmp", "骰子2", kPureBlue, 106, 99, 9, 1},
    {"dice3.bmp", "骰子3", kPureBlue, 106, 99, 9, 1},
    {"dice4.bmp", "骰子4", kPureBlue, 106, 99, 9, 1},
    {"dice5.bmp", "骰子5", kPureBlue, 106, 99, 9, 1},
    {"dice6.bmp", "骰子6", kPureBlue, 106, 99, 9, 1},
    {"dice7.bmp", "骰子7", kPureBlue, 106, 99, 9, 1},
    {"dice8.bmp", "骰子8", kPureBlue, 106, 99, 9, 1},
    {"dice9.bmp", "骰子9", kPureBlue, 106, 99, 9, 1},
    {"dice10.bmp", "骰子10", kPureBlue, 106, 99, 9, 1},
    {"dice11.bmp", "骰子11", kPureBlue, 106, 99, 9, 1},
    {"dice12.bmp", "骰子12", kPureBlue, 106, 99, 9, 1},
    {"start.bmp", "开始", kMagenta, 81, 30, 1, 1},
    {"AskKanPai.bmp", "看牌", kMagenta, 71, 25, 1, 1},
    {"clock_digit.bmp", "数字", kPureGreen, 8, 17, 10, 1},
    {"dnxb.png", "东南西北", kMagenta, 59, 61, 4, 1},
    {"buff.bmp", "BUFF", kMagenta, 30, 30, 7, 1},
    {"arrowhead.bmp", "系统栏箭头", kMagenta, 20, 12, 1, 1},
    {"Autoplay.bmp", "托管", kMagenta, 112, 36, 1, 1},
    {"hu.bmp", "胡牌", kMagenta, 72, 72, 1, 1},
    {"note.bmp", "说明板", kMagenta, 120, 28, 1, 1},
    {"hand.png", "手", kMagenta, 126, 60, 1, 1},
    {"partical.png", "粒子", kMagenta, 20, 20, 1, 1},
    {"JokerObject.bmp", "王霸", kMagenta, 102, 72, 1, 1},
};

// skins/Common, packed pictures of the scene's engine controls. Titles the
// scene does not give are the file's own, or with "按钮" where that would
// take the title of another picture ("开始", "托管").
inline constexpr Picture kCommonPacked[] = {
    {"准备.pps", "准备图标", kMagenta, 64, 32, 1, 1},
    {"确定.pps", "确定按钮", kMagenta, 72, 28, 1, 1},
    {"开始.pps", "开始按钮", kMagenta, 96, 36, 1, 1},
    {"胡图章.pps", "胡图章", kMagenta, 68, 68, 1, 1},
    {"2花.pps", "2花", kMagenta, 45, 20, 1, 1},
    {"两.pps", "两", kMagenta, 25, 20, 1, 1},
    {"数字1.pps", "数字1", kMagenta, 14, 20, 10, 1},
    {"底框.pps", "底框", kMagenta, 95, 115, 1, 1},
    {"音乐.pps", "音乐按钮", kMagenta, 64, 26, 1, 1},
    {"换肤.pps", "换肤按钮", kMagenta, 64, 26, 1, 1},
    {"托管.pps", "托管按钮", kMagenta, 64, 26, 1, 1},
    {"截图.pps", "截图按钮", kMagenta, 64, 26, 1, 1},
    {"托管中.pps", "托管中", kMagenta, 200, 48, 1, 1},
};

// skins/<style>: the style's pictures in their loading order.
// "mj_large800.bmp" is loaded twice, as "正面大图" (screens up to 1200
// pixels wide) and always as "正面".
inline constexpr Picture kStylePictures[] = {
    {"TableCloth0.bmp", "桌面", kMagenta, 744, 710, 1, 1},
    {"mj_smallback0.bmp", "牌墙背面0", kMagenta, 22, 23, 1, 1},
    {"mj_smallback1.bmp", "牌墙背面1", kMagenta, 17, 26, 1, 1},
    {"mj_small0.bmp", "牌墙正面0", kMagenta, 22, 23, kTileCells, 1},
    {"mj_small1.bmp", "牌墙正面1", kMagenta, 17, 26, kTileCells, 1},
    {"mj_back0.bmp", "背面0", kMagenta, 33, 32, 1, 1},
    {"mj_back1.bmp", "背面1", kMagenta, 26, 36, 1, 1},
    {"mj_large800.bmp", "正面大图", kMagenta, 42, 60, kTileCells, 1},
    {"mj_large1024.bmp", "正面大图", kMagenta, 54, 77, kTileCells, 1},
    {"mj_middle0.bmp", "正面中图0", kMagenta, 33, 32, kTileCells, 1},
    {"mj_middle1.bmp", "正面中图1", kMagenta, 26, 36, kTileCells, 1},
    {"mj_middle2.bmp", "正面中图2", kMagenta, 33, 32, kTileCells, 1},
    {"mj_middle3.bmp", "正面中图3", kMagenta, 26, 36, kTileCells, 1},
    {"mj_side0.bmp", "侧面0", kMagenta, 19, 49, 1, 1},
    {"mj_side1.bmp", "侧面1", kMagenta, 26, 37, 1, 1},
    {"mj_side2.bmp", "侧面2", kMagenta, 19, 49, 1, 1},
    {"clock.bmp", "计时钟", kMagenta, 65, 65, 1, 1},
    {"clock_hand.bmp", "钟指针", kMagenta, 56, 56, 8, 1},
    {"mj_joker.bmp", "财神", kMagenta, 42, 60, 1, 1},
    {"PGCHG.png", "碰杠吃胡过", kMagenta, 40, 40, 6, 1},
    {"frame0_left.bmp", "操作栏左", kMagenta, 10, 48, 1, 1},
    {"frame0_main.bmp", "操作栏中", kMagenta, 46, 48, 1, 1},
    {"frame0_right.bmp", "操作栏右", kMagenta, 10, 48, 1, 1},
    {"frame1_left.bmp", "系统栏左", kMagenta, 8, 38, 1, 1},
    {"frame1_main.bmp", "系统栏中", kMagenta, 36, 38, 1, 1},
    {"frame1_right.bmp", "系统栏右", kMagenta, 8, 38, 1, 1},
    {"joker_large800.bmp", "财神正面大图", kMagenta, 42, 60, kTileCells, 1},
    {"joker_large1024.bmp", "财神正面大图", kMagenta, 54, 77, kTileCells, 1},
    {"joker_middle0.bmp", "财神正面中图0", kMagenta, 33, 32, kTileCells, 1},
    {"joker_middle1.bmp", "财神正面中图1", kMagenta, 26, 36, kTileCells, 1},
    {"joker_middle2.bmp", "财神正面中图2", kMagenta, 33, 32, kTileCells, 1},
    {"joker_middle3.bmp", "财神正面中图3", kMagenta, 26, 36, kTileCells, 1},
};

// skins/<style>, packed pictures: the settlement panel and the joker's
// animations over a drawn tile (54 x 77 and 42 x 60), ten frames of 100 ms.
inline constexpr Picture kStylePacked[] = {
    {"结算.pps", "结算", kMagenta, 400, 240, 1, 1},
    {"财神动画.pps", "财神动画", kMagenta, 96, 120, 1, 10},
    {"财神动画800.pps", "财神动画800", kMagenta, 76, 100, 1, 10},
};

// Cells of "buff.bmp": the banker mark, the money mark, then the system
// bar's buttons (music at x 60, skin 90, sort 120, auto-play 150) and the
// screenshot mark.
enum BuffCell : int32_t {
    kBuffBanker,
    kBuffMoney,
    kBuffMusic,
    kBuffSkin,
    kBuffSort,
    kBuffAutoPlay,
    kBuffScreenshot
};
// Cells of "PGCHG.png": peng, kong, chow, hu, pass, and the cancel frame
// the kong and chow buttons show while their choice is open.
enum OperationCell : int32_t { kOpPeng, kOpKong, kOpChow, kOpHu, kOpPass, kOpCancel };
// Cells of "dnxb.png": east, south, west, north. Cell n of "clock_hand.bmp"
// points at clock position n (0 left, 2 up, 4 right, 6 down, odd ones
// between); cell d of "clock_digit.bmp" and "数字1.pps" is the digit d.
// Dice pictures 1-6 are the first die and 7-12 the second, each rolling and
// landing in its last frame on its number (1-6).

// Voices. Each voice folder holds the operation words and one file per tile
// kind, "<TileVoiceNumber>.wav".
inline constexpr const char* kVoiceFolders[] = {"0male1", "0male2", "1female1", "1female2"};
inline constexpr const char* kOperationVoices[] = {
    "peng0", "peng1", "gang0", "gang1", "gang2", "chi0", "chi1", "hu0", "hu1", "hua0", "hua1"};

// The number of a tile's voice file ("%d.wav"): the tile's kind index,
// suit x 10 + rank (TileIdToIndex): 1-9, 11-19 and 21-29 the three suits,
// 31-37 the honours, 41-48 the eight flowers. Tiles without a kind of their
// own have no voice.
constexpr int32_t TileVoiceNumber(int32_t tileIndex) {
    return tileIndex;
}
inline constexpr int32_t kVoicedTileIndices[] = {
    1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23,
    24, 25, 26, 27, 28, 29, 31, 32, 33, 34, 35, 36, 37, 41, 42, 43, 44, 45, 46, 47, 48};

// The table's sound resources (res/sound/<id>.wav), played by id.
enum TableSound : int32_t {
    kSoundCountdown = 29000,  // + seconds left, 0 (time is up) to 5
    kSoundTileRaise = 29100,  // a hand tile lifted or lowered
    kSoundDice = 29101,       // the dice rolled
    kSoundHandDealt = 29102,  // a hand dealt or hidden
    kSoundTileDown = 29103,   // a tile laid: deal steps, flowers, a discard
    kSoundTileTaken = 29104,  // a shown tile goes into the river
    kSoundRoundEnd = 29106,   // the round is over
    kSoundWin = 29107,        // the win effect
    kSoundSort = 29108,       // the hand sorted
};
inline constexpr int32_t kTableSounds[] = {
    29000,           29001,           29002,      29003,           29004,
    29005,           kSoundTileRaise, kSoundDice, kSoundHandDealt, kSoundTileDown,
    kSoundTileTaken, kSoundRoundEnd,  kSoundWin,  kSoundSort};

}  // namespace mahjong::assets
