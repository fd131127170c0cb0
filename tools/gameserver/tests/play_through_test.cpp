// A game played through the screen, as a person plays it: the real
// qevo-mahjong, started by the hall stand-in against the table-mode game
// server with three bots, shows its window on the SDL2 display under Xvfb;
// the test sees only the X server's picture and moves only its pointer, at
// places it finds on the grab: a button by its picture from the generated
// assets, a tile by its face cell, the clock's hand by its cell. The game
// server is a test peer with a scripted wall; it tells which tile the
// player holds and which offer came, never where anything is drawn.
//
// Time: the program's clock moves only by the test's steps on its clock
// channel, the table's with it, and only while both rest (everything the
// program sent has arrived, everything sent to it is handled, what it drew
// is on the screen), so every run draws the same and each step's grab
// matches its golden picture within a tolerance. QEVO_UPDATE_GOLDEN=1
// rewrites the golden pictures from the screen.
//
// The README's "how to play", line by line, and where it is checked:
//   press "开始" on the table to start a round ............... PressStart
//   the tiles are dealt, your tiles stand at the bottom ...... OwnHandShows
//   on your turn (the clock points at you) ................... ClockHand
//   click one of your tiles to discard it .................... DiscardByClick
//   drag a tile to rearrange the hand ........................ DragRearranges
//   a claim lights the buttons 吃 碰 杠 胡 过: click one ........ AnswerOffer
//   the system bar holds music, skin, sort, 托管 and a
//     screenshot button ...................................... SystemBarButtons
//   托管: the client plays for you until you click ........... AutoPlayOnAndOff
//   (the screenshot button saves a JPEG) ..................... ScreenshotSaved
//   the settlement panel: click its "确定", press "开始" ....... CloseSettlement
//   on auto-play the next round starts at once ............... the test's end
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "mahjong/app/clock_channel.h"
#include "mahjong/scene/asset_names.h"
#include "pictures/image_record.h"
#include "pictures/pps.h"
#include "platform/clock.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/paths.h"
#include "platform/tests/source_path.h"
#include "platform/tests/temp_dir.h"
#include "rules/hand/tile.h"
#include "rules/table/mj_table.h"
#include "rules/table/tests/table_driver.h"
#include "rules/table/tests/table_scene.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/hall/hall_stand_in.h"
#include "tools/screen/clock_conductor.h"
#include "tools/screen/picture_finder.h"
#include "tools/screen/screen_session.h"

namespace mahjong {
namespace {

namespace gs = gameserver;
namespace tb = gameserver::table;
namespace ts = platform::testing_support;
using rules::TileId;
using std::chrono::steady_clock;

constexpr uint32_t kKey = 0xFFFF00FF;
const std::string kAssets = QEVO_ASSET_DIR;
// Where the table pane lies in a 1280 x 1024 screen, roughly: the left of
// the window below its dialog bar.
constexpr platform::RECT kTable{0, 40, 960, 1024};
// Where the own hand lies in it: along the bottom.
constexpr platform::RECT kHandRow{0, 800, 1000, 1024};
// A button as a person knows it: drawn up to a fifth larger, and lit or
// dimmed by its state.
const screen::FindOptions kButton{kKey, 60, 0.1, kTable, {1.0, 1.1, 1.2}};

// The wall: the player deals (the script throws 3 and 4 and names chair 0
// the dealer) and holds pairs of the bots' lone tiles: chair 3 throws its
// 9m first (the player's pung), chair 2 its 1m (an offer the player
// passes). The turned-up 9p makes 9p the joker.
gs::TableOptions Table() {
    rules::testing::Scene s;
    s.hands[0] = "1155994m22886s33779p";
    s.hands[3] = "2349m3455677s44456p";
    s.hands[2] = "1m4567m2345588s5678p";
    s.hands[1] = "5m2346799s234567p88p";
    s.front = "3m6m7m";
    gs::TableOptions options = gs::ClientTableOptions();
    options.deal = rules::testing::SceneOrder(s);
    options.random = rules::testing::SceneDice();
    return options;
}

// A picture of the generated assets, loaded once.
const platform::Surface& Picture(const std::string& relative) {
    static std::map<std::string, platform::Surface> pictures;
    auto it = pictures.find(relative);
    if (it == pictures.end())
        it = pictures.emplace(relative, screen::LoadPicture(kAssets + "/skins/" + relative)).first;
    return it->second;
}

// The cell of a tile kind in a tile strip (the suits, then the honours and
// the flowers).
int FaceCell(int32_t kind) {
    if (kind < 30) return kind / 10 * 9 + kind % 10 - 1;
    return 27 + kind - 31;
}

class PlayThroughTest : public ::testing::Test {
  protected:
    template <typename F>
    auto Locked(F read) {
        std::lock_guard lock(mu_);
        return read();
    }
    void SetUp() override {
        if (!xvfb_.Running()) GTEST_SKIP() << "Xvfb is not available";
        ASSERT_TRUE(session_.Clock().Listening());
        // The program folder, as the demo makes it; the music is on.
        const std::filesystem::path dir = dir_.path();
        for (const char* folder : {"res", "skins", "sound"})
            std::filesystem::create_directory_symlink(kAssets + "/" + folder, dir / folder);
        dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + kAssets + "/hall/GameHall.exe\r\n");
        dir_.Write("Qevo.ini", "[GAMESET]\r\nMusic=1\r\n");
        for (const char* name : {"QEVO_PROGRAM_DIR", "QEVO_SYSTEM_DIR", "QEVO_HALL_DIR"})
            setenv(name, dir_.path().c_str(), 1);
        setenv(ClockChannel::kVariable, channel_.c_str(), 1);
        unsetenv("QEVO_HEADLESS");
        // In a sanitizer build the program's leak check, as the tests',
        // leaves the D-Bus library's buffers (SDL's) to it.
        dir_.Write("lsan.supp", "leak:libdbus-1.so\n");
        setenv("LSAN_OPTIONS", ("suppressions=" + (dir / "lsan.supp").string()).c_str(), 1);
        // SDL's disk driver writes what the program plays into a file.
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir / "audio.raw").c_str(), 1);

        server_ = std::make_unique<gs::TableServer>(Table());
        ASSERT_NE(server_->Start(), 0);
        server_->WithTable([this](gs::TableGame& t) {
            t.SetObserver([this](const gs::TableMessage& m) { Observe(m); });
        });
        client::LaunchLine line{7, "127.0.0.1", 3,  uint32_t(getpid()), 0, 101, 5,
                                0, 0,           "", server_->port()};
        hall_ = std::make_unique<hall::HallStandIn>(line);
        hall_->TableState() = hall::MakeTableState(line, 4, 0);
        hall_->SetAutoTableState(false);
        ASSERT_TRUE(hall_->Open());
        child_ = hall_->Start({QEVO_MAHJONG_PROGRAM});
        ASSERT_GT(child_, 0);
        ASSERT_TRUE(session_.Connect()) << "the program did not take its clock";
        // The hall hands over the table once the program names its window.
        ASSERT_TRUE(session_.RealWait([this] {
            for (const hall::HallEvent& e : hall_->Events())
                if (e.kind == hall::HallEvent::Kind::kMainWindow) return true;
            return false;
        })) << "no main window";
        ASSERT_TRUE(hall_->SendTableState());
        ASSERT_TRUE(session_.Until([this] { return Locked([this] { return entered_; }); }))
            << "the program did not enter";
    }
    void TearDown() override {
        session_.Clock().Hangup();  // nobody moves its time: the program ends
        if (child_ > 0) {
            const int status = screen::WaitForExit(child_, screen::ScreenSession::kRealWaitMs);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "the program ended with status " << status;
        }
        if (hall_) hall_->Vanish();
        hall_.reset();
        if (server_) server_->Stop();
        for (const char* name :
             {"QEVO_PROGRAM_DIR", "QEVO_SYSTEM_DIR", "QEVO_HALL_DIR", ClockChannel::kVariable,
              "SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "LSAN_OPTIONS"})
            unsetenv(name);
    }

    // --- The table, seen from the server's thread.
    void Observe(const gs::TableMessage& m) {
        std::lock_guard lock(mu_);
        if (m.kind == gs::TableMessage::kRequest && m.id == tb::kVersion && peer_ < 0)
            peer_ = m.peer;
        if (m.peer != peer_) return;
        const tb::Words w = tb::ToWords(m.data);
        if (m.kind == gs::TableMessage::kNotify) {
            ++sent_;
            if (m.id == tb::kRoundStart) ++roundStarts_;
            if (m.id == tb::kRoundEnd) ++roundEnds_;
            // An offer to the player: the flags of chair 0 on a discard. It
            // stands until the player answers or the window closes.
            if (m.id == tb::kDiscarded && (tb::At(w, tb::kNoteFlags) & ~tb::kPassFlag) != 0) {
                lastOffer_ = tb::At(w, tb::kNoteFlags) & ~tb::kPassFlag;
                offerOpen_ = true;
            }
            if (m.id == tb::kClaimsOver || m.id == tb::kPunged || m.id == tb::kChowed ||
                m.id == tb::kExposedKonged || m.id == tb::kRoundEnd)
                offerOpen_ = false;
        }
        if (m.kind == gs::TableMessage::kRequest) {
            ++received_;
            requests_.push_back(m.id);
            if (m.id == tb::kPass || m.id == tb::kPung || m.id == tb::kChow || m.id == tb::kKong ||
                m.id == tb::kHu)
                offerOpen_ = false;
            if (m.id == tb::kDiscard) discards_.push_back(tb::At(w, tb::kDiscardTiles));
        }
        if (m.kind == gs::TableMessage::kReply && m.request == tb::kEnter) entered_ = true;
    }
    // The table rests when it has all the program sent and the program has
    // handled all the table sent it.
    bool TableAgrees(const screen::Rest& r) {
        std::lock_guard lock(mu_);
        return r.requests == received_ && r.notices == sent_;
    }
    // True when the table sent the program something.
    bool PokeTable() {
        auto sent = [this] { return Locked([this] { return sent_; }); };
        const uint64_t before = sent();
        if (server_) server_->Poke();
        return sent() != before;
    }
    size_t Count(uint32_t request) {
        return Locked(
            [&] { return size_t(std::count(requests_.begin(), requests_.end(), request)); });
    }
    // Whether the table waits for the player's move.
    bool PlayerToMove() {
        bool move = false;
        server_->WithTable([&](gs::TableGame& t) {
            rules::CRuleTable& m = t.model();
            move = m.ActiveChair() == 0 && (m.State() & rules::kStateOwnAction) &&
                   !(m.State() & rules::kStateClaimsOpen) && !t.AwaitsDelivery(0);
            for (TileId tile : rules::testing::HeldTiles(m, 0))
                move = move && !m.IsHonourOrFlowerTileOf(tile);
        });
        return move;
    }
    int32_t Kind(TileId tile) const { return rules::TileIdToIndex(tile, 0); }

    // Where a picture shows now; `what` names it in failures.
    std::optional<screen::Found> Find(const platform::Surface& picture,
                                      screen::FindOptions options = {}) {
        if (!options.key) options.key = kKey;
        return session_.Find(picture, options);
    }
    // The grab against its golden picture.
    void ExpectScreen(const std::string& name) {
        const platform::Surface shown = session_.Grab();
        const std::string path =
            platform::testing_support::SourcePath("tools/gameserver/tests/golden/play_" + name);
        if (std::getenv("QEVO_UPDATE_GOLDEN")) shown.SavePng(path);
        EXPECT_LE(ts::Mismatch(shown, platform::Surface::LoadPng(path), 8), 0.005) << name;
    }

    // --- What a person does.
    ::testing::AssertionResult PressStart() {
        const auto found = Find(Picture("Common/start.bmp"), kButton);
        if (!found) return ::testing::AssertionFailure() << "no start button on the screen";
        const int before = Locked([this] { return roundStarts_; });
        if (!session_.Click(found->Centre()))
            return ::testing::AssertionFailure() << "the click was lost";
        if (!session_.Until([&] { return Locked([this] { return roundStarts_; }) > before; }))
            return ::testing::AssertionFailure() << "no round started";
        return ::testing::AssertionSuccess();
    }
    // No animation runs over the hand: the row stays still for a moment
    // and every tile held shows (the sort sweep, the draw and the discard's
    // flight are done).
    bool Calm() {
        return session_.Until([this] { return session_.Still(kHandRow) && OwnHandShows(); }, 100,
                              100);
    }
    // The clock's hand: which of its eight cells shows inside the clock.
    std::optional<int> ClockHand() {
        const platform::Surface& grab = session_.Grab();
        const auto face =
            screen::FindPicture(grab, Picture("Classic/clock.bmp"), {kKey, 24, 0.2, kTable, {1.0}});
        if (!face) return std::nullopt;
        const platform::Surface hands = Picture("Classic/clock_hand.bmp");
        std::optional<std::pair<double, int>> best;
        for (int cell = 0; cell < 8; ++cell) {
            screen::FindOptions o{kKey, 24, 0.1, face->rect, {1.0}};
            o.area.left -= 8, o.area.top -= 8, o.area.right += 8, o.area.bottom += 8;
            if (auto f = screen::FindPicture(grab, screen::CellOf(hands, cell, 56, 56), o))
                if (!best || f->misses < best->first) best = {f->misses, cell};
        }
        if (!best) return std::nullopt;
        return best->second;
    }
    // The own hand's tiles of one kind on the screen, left to right.
    std::vector<screen::Found> HandTiles(int32_t kind, bool joker = false) {
        screen::FindOptions o{kKey, 24, 0.06, kHandRow, {1.0}};
        // A joker stands out in the row, tinted: its shape, not its colours.
        if (joker) o.tolerance = 90, o.misses = 0.03;
        const char* strip = joker ? "Classic/joker_large1024.bmp" : "Classic/mj_large1024.bmp";
        auto found = screen::FindPictures(
            session_.Grab(), screen::CellOf(Picture(strip), FaceCell(kind), 54, 77), o);
        std::sort(found.begin(), found.end(), [](const screen::Found& a, const screen::Found& b) {
            return a.rect.left < b.rect.left;
        });
        return found;
    }
    // The player's tiles: how many of each (kind, joker).
    std::map<std::pair<int32_t, bool>, size_t> Held() {
        std::map<std::pair<int32_t, bool>, size_t> held;
        server_->WithTable([&](gs::TableGame& t) {
            for (TileId tile : rules::testing::HeldTiles(t.model(), 0))
                ++held[{Kind(tile), t.model().IsJokerKind(tile) != 0}];
        });
        return held;
    }
    // Every tile the player holds stands in the hand row: a face of its kind
    // for each (a joker's face its own picture).
    ::testing::AssertionResult OwnHandShows() {
        size_t tiles = 0;
        for (const auto& [what, count] : Held()) {
            tiles += count;
            const size_t shown = HandTiles(what.first, what.second).size();
            if (shown != count)
                return ::testing::AssertionFailure()
                       << count << " of kind " << what.first << " held, " << shown << " shown";
        }
        return ::testing::AssertionSuccess() << tiles << " tiles";
    }
    // A tile dragged from the left end of the row over the last standing one
    // takes that place.
    ::testing::AssertionResult DragRearranges() {
        if (!Calm()) return ::testing::AssertionFailure() << "the hand never came to rest";
        std::vector<std::pair<platform::RECT, int32_t>> faces;
        for (const auto& [what, count] : Held())
            for (const screen::Found& f : HandTiles(what.first, what.second))
                faces.push_back({f.rect, what.second ? -what.first : what.first});
        std::sort(faces.begin(), faces.end(),
                  [](const auto& a, const auto& b) { return a.first.left < b.first.left; });
        if (faces.size() < 3) return ::testing::AssertionFailure() << "no hand row in view";
        // The last face may be the drawn tile, which keeps its own place.
        const auto& first = faces.front();
        const auto& target = faces[faces.size() - 2];
        const platform::POINT from{(first.first.left + first.first.right) / 2,
                                   (first.first.top + first.first.bottom) / 2};
        const platform::POINT to{(target.first.left + target.first.right) / 2, from.y};
        if (!session_.MovePointer(from) || !session_.Press() || !session_.Pass(100))
            return ::testing::AssertionFailure() << "the press was lost";
        for (int step = 1; step <= 4; ++step)
            if (!session_.MovePointer({from.x + (to.x - from.x) * step / 4, from.y}))
                return ::testing::AssertionFailure() << "the drag was lost";
        if (!session_.Release() || !session_.Pass(500))
            return ::testing::AssertionFailure() << "the release was lost";
        const int32_t kind = first.second < 0 ? -first.second : first.second;
        for (const screen::Found& f : HandTiles(kind, first.second < 0))
            if (std::abs(f.rect.left - target.first.left) < 8) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the dragged tile did not move";
    }
    // The player's choice: a tile that is no joker, a lone one if there is
    // one, the highest kind first.
    TileId Choice() {
        TileId best = -1;
        bool bestLone = false;
        server_->WithTable([&](gs::TableGame& t) {
            const std::vector<TileId> hand = rules::testing::HeldTiles(t.model(), 0);
            for (TileId tile : hand) {
                if (t.model().IsJokerKind(tile)) continue;
                const bool lone = std::count_if(hand.begin(), hand.end(), [&](TileId o) {
                                      return Kind(o) == Kind(tile);
                                  }) == 1;
                if (best < 0 || lone > bestLone || (lone == bestLone && Kind(tile) > Kind(best))) {
                    best = tile;
                    bestLone = lone;
                }
            }
        });
        return best;
    }
    ::testing::AssertionResult DiscardByClick() {
        const TileId tile = Choice();
        // The tile shows once the program's draw has played.
        if (!Calm()) return ::testing::AssertionFailure() << "the hand never came to rest";
        std::vector<screen::Found> faces;
        if (!session_.Until([&] { return !(faces = HandTiles(Kind(tile))).empty(); }, 100, 50))
            return ::testing::AssertionFailure() << "tile kind " << Kind(tile) << " not in view";
        const size_t before = Locked([this] { return discards_.size(); });
        if (!session_.Click(faces.back().Centre()))
            return ::testing::AssertionFailure() << "the click was lost";
        if (!session_.Until([&] { return Locked([this] { return discards_.size(); }) > before; },
                            100, 50))
            return ::testing::AssertionFailure() << "the click discarded nothing";
        const TileId sent = Locked([this] { return discards_.back(); });
        if (Kind(sent) != Kind(tile))
            return ::testing::AssertionFailure() << "discarded kind " << Kind(sent);
        return ::testing::AssertionSuccess();
    }
    // Clicks the operation button of `cell` ("碰杠吃胡过" order) and waits
    // for the request it sends.
    ::testing::AssertionResult AnswerOffer(int cell, uint32_t request) {
        const auto button =
            Find(screen::CellOf(Picture("Classic/PGCHG.png"), cell, 40, 40), kButton);
        if (!button) return ::testing::AssertionFailure() << "button " << cell << " not shown";
        const size_t before = Count(request);
        if (!session_.Click(button->Centre()))
            return ::testing::AssertionFailure() << "the click was lost";
        if (!session_.Until([&] { return Count(request) > before; }, 100, 50))
            return ::testing::AssertionFailure() << "button " << cell << " sent nothing";
        return ::testing::AssertionSuccess();
    }

    // An offer the player has not answered yet, its window open.
    bool OfferPending() {
        return Locked([this] { return offerOpen_; });
    }
    int RoundEnds() {
        return Locked([this] { return roundEnds_; });
    }
    // A button of the system bar ("buff.bmp" cells); the bar opens when the
    // pointer goes to its arrow.
    std::optional<screen::Found> SystemBarButton(int cell) {
        const platform::Surface button = screen::CellOf(Picture("Common/buff.bmp"), cell, 30, 30);
        if (auto found = Find(button, kButton)) return found;
        const auto arrow = Find(Picture("Common/arrowhead.bmp"), {kKey, 24, 0.1, kTable, {1.0}});
        if (!arrow || !session_.MovePointer(arrow->Centre())) return std::nullopt;
        return Find(button, kButton);
    }
    bool AutoPlaySignShows() {
        return Find(Picture("Common/Autoplay.bmp"), {kKey, 24, 0.1, kTable, {1.0}}).has_value();
    }
    ::testing::AssertionResult AutoPlayOnAndOff() {
        for (bool on : {true, false}) {
            const auto button = SystemBarButton(assets::kBuffAutoPlay);
            if (!button) return ::testing::AssertionFailure() << "no 托管 button on the screen";
            if (!session_.Click(button->Centre()) || !session_.Pass(500))
                return ::testing::AssertionFailure() << "the click was lost";
            if (AutoPlaySignShows() != on)
                return ::testing::AssertionFailure()
                       << "the auto-play sign " << (on ? "did not show" : "stayed");
            if (on) ExpectScreen("auto_play.png");
        }
        return ::testing::AssertionSuccess();
    }
    // The screenshot button bears no picture of its own: it is the slot of
    // the system bar's row that none of the four pictured buttons takes
    // (none when one of the four is not shown).
    std::optional<platform::POINT> ScreenshotSlot() {
        std::vector<screen::Found> row;
        for (int cell :
             {assets::kBuffMusic, assets::kBuffSkin, assets::kBuffSort, assets::kBuffAutoPlay})
            if (auto found = SystemBarButton(cell)) row.push_back(*found);
        if (row.size() != 4) return std::nullopt;
        std::sort(row.begin(), row.end(), [](const screen::Found& a, const screen::Found& b) {
            return a.rect.left < b.rect.left;
        });
        int pitch = row[1].rect.left - row[0].rect.left;
        for (size_t i = 2; i < row.size(); ++i)
            pitch = std::min(pitch, row[i].rect.left - row[i - 1].rect.left);
        if (pitch <= 0) return std::nullopt;
        const platform::POINT first = row.front().Centre();
        for (int slot = 0; slot <= 4; ++slot) {
            const int x = first.x + slot * pitch;
            if (std::none_of(row.begin(), row.end(), [&](const screen::Found& f) {
                    return std::abs(f.Centre().x - x) < pitch / 2;
                }))
                return platform::POINT{x, first.y};
        }
        return std::nullopt;
    }
    ::testing::AssertionResult ScreenshotSaved() {
        const auto button = ScreenshotSlot();
        if (!button) return ::testing::AssertionFailure() << "no screenshot button on the screen";
        if (!session_.Click(*button)) return ::testing::AssertionFailure() << "the click was lost";
        auto jpeg = [this] {
            std::error_code error;
            for (const auto& entry :
                 std::filesystem::directory_iterator(dir_.path() + "temp", error))
                if (entry.path().extension() == ".jpg" && entry.file_size() > 0) return true;
            return false;
        };
        if (!session_.Until(jpeg, 100, 20))
            return ::testing::AssertionFailure() << "no JPEG in temp";
        return ::testing::AssertionSuccess();
    }
    // The settlement panel's "确定", then the start button of the next round.
    ::testing::AssertionResult CloseSettlement(const char* golden) {
        if (!Find(Picture("Classic/结算.pps"), {kKey, 24, 0.2, kTable, {1.0}}))
            return ::testing::AssertionFailure() << "no settlement panel on the screen";
        ExpectScreen(golden);
        const auto ok = Find(Picture("Common/确定.pps"), kButton);
        if (!ok) return ::testing::AssertionFailure() << "no 确定 on the screen";
        if (!session_.Click(ok->Centre()) || !session_.Pass(500))
            return ::testing::AssertionFailure() << "the click was lost";
        if (Find(Picture("Classic/结算.pps"), {kKey, 24, 0.2, kTable, {1.0}}))
            return ::testing::AssertionFailure() << "the settlement panel stayed";
        return ::testing::AssertionSuccess();
    }
    // What the program played: SDL's disk driver wrote something not silent.
    bool SoundHeard() {
        return session_.RealWait([this] {
            const auto bytes = platform::ReadFileBytes(dir_.path() + "audio.raw", 64u << 20);
            return bytes &&
                   std::any_of(bytes->begin(), bytes->end(), [](uint8_t b) { return b != 0; });
        });
    }

    ts::XvfbServer xvfb_{"1280x1024x24"};
    platform::testing::TempDir dir_;
    std::string channel_ = dir_.path() + "clock.sock";
    platform::ManualClock clock_{ClockChannel::kStartMicros};
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<gs::TableServer> server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    pid_t child_ = -1;
    screen::ScreenSession session_{
        xvfb_.Display(), channel_,
        screen::Peers{[this](const screen::Rest& r) { return TableAgrees(r); },
                      [this] { return PokeTable(); },
                      [this](int64_t ms) { clock_.AdvanceMillis(ms); }}};
    std::mutex mu_;
    gs::PeerId peer_ = -1;
    uint64_t sent_ = 0, received_ = 0;
    int roundStarts_ = 0, roundEnds_ = 0;
    int32_t lastOffer_ = 0;
    bool entered_ = false, offerOpen_ = false;
    std::vector<uint32_t> requests_;
    std::vector<TileId> discards_;
};

TEST_F(PlayThroughTest, APersonPlaysARoundThroughTheScreen) {
    ASSERT_TRUE(session_.Pass(1000));
    ExpectScreen("entered.png");
    // The music is on: it plays from the game's start, through SDL2_mixer.
    EXPECT_TRUE(SoundHeard()) << "the program played nothing";

    ASSERT_TRUE(PressStart());
    // The player deals: the first turn is the player's.
    ASSERT_TRUE(session_.Until([this] { return PlayerToMove(); }))
        << "the player never came to move";
    // The deal's end: the clock shows.
    ASSERT_TRUE(session_.Until([this] { return ClockHand().has_value(); }, 200, 100)) << "no clock";
    ASSERT_TRUE(Calm());
    ExpectScreen("dealt.png");
    EXPECT_TRUE(OwnHandShows());
    EXPECT_EQ(ClockHand(), 6) << "the clock points at the player, at the bottom";
    EXPECT_TRUE(DragRearranges());
    ASSERT_TRUE(Calm());
    ASSERT_TRUE(DiscardByClick());

    // The round by clicks: the first pung offered is taken, the next offer
    // passed; every turn discards a tile.
    bool punged = false, passed = false, systemBar = false;
    const int ends = RoundEnds();
    for (int turn = 0; RoundEnds() == ends; ++turn) {
        ASSERT_LT(turn, 200) << "the round did not end";
        ASSERT_TRUE(session_.Until([&] {
            return OfferPending() || PlayerToMove() || RoundEnds() > ends;
        })) << "the table stalled";
        if (RoundEnds() > ends) break;
        ASSERT_TRUE(session_.Pass(300));
        if (OfferPending()) {
            ASSERT_TRUE(Calm());
            if (!punged && (Locked([this] { return lastOffer_; }) & rules::kClaimFlagPung)) {
                ExpectScreen("pung_offer.png");
                // Chair 3 threw the tile: chair 2, at the top, draws next.
                EXPECT_EQ(ClockHand(), 2) << "the clock points at the next to draw";
                EXPECT_TRUE(AnswerOffer(assets::kOpPeng, tb::kPung));
                punged = true;
            } else {
                if (!passed) ExpectScreen("pass_offer.png");
                EXPECT_TRUE(AnswerOffer(assets::kOpPass, tb::kPass));
                passed = true;
            }
            // An offer left unanswered passes when the player's time runs out.
            ASSERT_TRUE(session_.Until([this] { return !OfferPending(); }))
                << "the offer stayed open";
            continue;
        }
        if (punged && passed && !systemBar) {
            systemBar = true;
            EXPECT_TRUE(ScreenshotSlot().has_value())
                << "the system bar's four buttons and free slot";
            EXPECT_TRUE(AutoPlayOnAndOff());
            EXPECT_TRUE(ScreenshotSaved());
            ASSERT_TRUE(session_.Settle());
            if (!PlayerToMove()) continue;
        }
        ASSERT_TRUE(DiscardByClick());
    }
    EXPECT_TRUE(punged) << "no pung was offered";
    EXPECT_TRUE(passed) << "no second offer came";

    // The settlement, closed with its button; the next round by the start
    // button.
    ASSERT_TRUE(session_.Until(
        [this] { return Find(Picture("Common/确定.pps"), kButton).has_value(); }, 500, 40))
        << "no settlement panel";
    EXPECT_TRUE(CloseSettlement("settlement.png"));
    ASSERT_TRUE(PressStart());
    ASSERT_TRUE(session_.Pass(1000));
    ExpectScreen("next_round.png");

    // On auto-play the program plays the round alone; closing its
    // settlement leaves auto-play on and the next round starts by itself; a
    // click on the table then gives the seat back.
    std::optional<screen::Found> autoPlay;
    ASSERT_TRUE(session_.Until(
        [&] { return (autoPlay = SystemBarButton(assets::kBuffAutoPlay)).has_value(); }, 200, 100))
        << "no 托管 button on the screen";
    ASSERT_TRUE(session_.Click(autoPlay->Centre()));
    ASSERT_TRUE(session_.MovePointer({1270, 1010}));  // off the table
    ASSERT_TRUE(session_.Until([&] { return RoundEnds() > ends + 1; }, 100, 10000))
        << "auto-play did not finish the round";
    ASSERT_TRUE(session_.Until(
        [this] { return Find(Picture("Common/确定.pps"), kButton).has_value(); }, 500, 40))
        << "no settlement panel";
    // A round may end before the player looks (a dry wall): its settlement
    // is closed too, and the next one starts by itself.
    for (int closed = 0; RoundEnds() >= Locked([this] { return roundStarts_; }); ++closed) {
        ASSERT_LT(closed, 5) << "no round stayed in play";
        const int starts = Locked([this] { return roundStarts_; });
        if (closed == 0) ExpectScreen("auto_play_settlement.png");
        const auto ok = Find(Picture("Common/确定.pps"), kButton);
        ASSERT_TRUE(ok.has_value()) << "no 确定 on the screen";
        ASSERT_TRUE(session_.Click(ok->Centre()));
        ASSERT_TRUE(session_.Until([&] { return Locked([this] { return roundStarts_; }) > starts; },
                                   100, 100))
            << "the next round did not start by itself";
        ASSERT_TRUE(session_.Pass(1000));
        if (RoundEnds() >= Locked([this] { return roundStarts_; })) {
            ASSERT_TRUE(session_.Until(
                [this] { return Find(Picture("Common/确定.pps"), kButton).has_value(); }, 500, 40));
        }
    }
    // The sign is no button: a click on it is a click on the table.
    const auto sign = Find(Picture("Common/Autoplay.bmp"), {kKey, 24, 0.1, kTable, {1.0}});
    ASSERT_TRUE(sign.has_value()) << "closing the settlement ended auto-play";
    ASSERT_TRUE(session_.Click(sign->Centre()));
    ASSERT_TRUE(session_.Pass(500));
    EXPECT_FALSE(AutoPlaySignShows()) << "a click on the table did not end auto-play";
}

}  // namespace
}  // namespace mahjong
