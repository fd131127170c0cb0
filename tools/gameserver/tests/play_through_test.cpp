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
//   a click on the table, 确定 too, ends auto-play ............ the test's end
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
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "engine/resources/image_record.h"
#include "engine/resources/pps.h"
#include "mahjong/app/clock_channel.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/tests/clock_conductor.h"
#include "platform/clock.h"
#include "platform/gui/tests/picture_finder.h"
#include "platform/gui/tests/pixel_compare.h"
#include "platform/gui/tests/x11_client.h"
#include "platform/gui/tests/xvfb_server.h"
#include "platform/paths.h"
#include "platform/tests/source_path.h"
#include "platform/tests/temp_dir.h"
#include "rules/mj_table.h"
#include "rules/tests/table_driver.h"
#include "rules/tests/table_scene.h"
#include "rules/tile.h"
#include "tools/gameserver/table_server.h"
#include "tools/gameserver/tests/table_fixture.h"
#include "tools/gameserver/tests/x_pointer.h"
#include "tools/hall/hall_stand_in.h"

namespace mahjong {
namespace {

namespace gs = gameserver;
namespace tb = gameserver::table;
namespace ts = platform::testing_support;
using rules::TileId;
using std::chrono::steady_clock;

constexpr int kRealWaitMs = 30000;  // real time: a safety net only
constexpr uint32_t kKey = 0xFFFF00FF;
const std::string kAssets = QEVO_ASSET_DIR;
// Where the table pane lies in a 1280 x 1024 screen, roughly: the left of
// the window below its dialog bar.
constexpr platform::RECT kTable{0, 40, 960, 1024};
// Where the own hand lies in it: along the bottom.
constexpr platform::RECT kHandRow{0, 800, 1000, 1024};
// A button as a person knows it: drawn up to a fifth larger, and lit or
// dimmed by its state.
const platform::testing_support::FindOptions kButton{kKey, 60, 0.1, kTable, {1.0, 1.1, 1.2}};

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

// A picture of the generated assets as the test sees it.
platform::Surface LoadPicture(const std::string& relative) {
    const std::string path = kAssets + "/skins/" + relative;
    if (relative.ends_with(".bmp")) return ts::LoadBmp(path);
    if (relative.ends_with(".png")) return platform::Surface::LoadPng(path);
    engine::ImageRecord image;
    const auto bytes = platform::ReadFileBytes(path, 16u << 20);
    if (!bytes || engine::DecodePps(*bytes, image) == 0 || image.BytesPerPixel() != 4) return {};
    platform::Surface out(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.pixels[(size_t(y) * image.width + size_t(x)) * 4];
            out.Set(x, y, uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
        }
    return out;
}

const platform::Surface& Picture(const std::string& relative) {
    static std::map<std::string, platform::Surface> pictures;
    auto it = pictures.find(relative);
    if (it == pictures.end()) it = pictures.emplace(relative, LoadPicture(relative)).first;
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
    void SetUp() override {
        if (!xvfb_.Running()) GTEST_SKIP() << "Xvfb is not available";
        ASSERT_TRUE(conductor_.Listening());
        // The program folder, as the demo makes it; the music is on.
        const std::filesystem::path dir = dir_.path();
        for (const char* folder : {"res", "skins", "sound"})
            std::filesystem::create_directory_symlink(kAssets + "/" + folder, dir / folder);
        std::ofstream(dir / "mirb.ini")
            << "[SYSTEM]\r\nExePath=" << kAssets << "/hall/GameHall.exe\r\n";
        std::ofstream(dir / "Qevo.ini") << "[GAMESET]\r\nMusic=1\r\n";
        for (const char* name : {"QEVO_PROGRAM_DIR", "QEVO_SYSTEM_DIR", "QEVO_HALL_DIR"})
            setenv(name, dir_.path().c_str(), 1);
        setenv(ClockChannel::kVariable, channel_.c_str(), 1);
        unsetenv("QEVO_HEADLESS");
        // In a sanitizer build the program's leak check, as the tests',
        // leaves the D-Bus library's buffers (SDL's) to it.
        std::ofstream(dir / "lsan.supp") << "leak:libdbus-1.so\n";
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
        ASSERT_TRUE(conductor_.Accept(kRealWaitMs)) << "the program did not take its clock";
        // The hall hands over the table once the program names its window.
        ASSERT_TRUE(RealWait([this] {
            for (const hall::HallEvent& e : hall_->Events())
                if (e.kind == hall::HallEvent::Kind::kMainWindow) return true;
            return false;
        })) << "no main window";
        ASSERT_TRUE(hall_->SendTableState());
        ASSERT_TRUE(Until([this] { return Entered(); })) << "the program did not enter";
    }
    void TearDown() override {
        pointer_.reset();
        x11_.reset();
        conductor_.Hangup();  // nobody moves its time: the program ends
        int status = -1;
        if (child_ > 0) {
            // Its end makes its pidfd readable.
            const int exited = int(syscall(SYS_pidfd_open, child_, 0));
            pollfd end{exited, POLLIN, 0};
            if (exited < 0 || poll(&end, 1, kRealWaitMs) != 1) kill(child_, SIGKILL);
            if (exited >= 0) close(exited);
            waitpid(child_, &status, 0);
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
                offers_.push_back(tb::At(w, tb::kNoteFlags) & ~tb::kPassFlag);
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
    template <typename F>
    auto Locked(F read) {
        std::lock_guard lock(mu_);
        return read();
    }
    bool Entered() {
        return Locked([this] { return entered_; });
    }
    size_t Count(uint32_t request) {
        return Locked(
            [&] { return size_t(std::count(requests_.begin(), requests_.end(), request)); });
    }
    // The player's hand and whether the table waits for the player's move.
    std::vector<TileId> Hand() {
        std::vector<TileId> hand;
        server_->WithTable(
            [&](gs::TableGame& t) { hand = rules::testing::HeldTiles(t.model(), 0); });
        return hand;
    }
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
    int32_t ActiveChair() {
        int32_t chair = -1;
        server_->WithTable([&](gs::TableGame& t) { chair = t.model().ActiveChair(); });
        return chair;
    }
    int32_t Kind(TileId tile) const { return rules::TileIdToIndex(tile, 0); }

    // --- Time.
    template <typename F>
    bool RealWait(F done) {
        const auto giveUp = steady_clock::now() + std::chrono::milliseconds(kRealWaitMs);
        while (!done()) {
            if (steady_clock::now() > giveUp) return false;
            conductor_.Latest(5);
        }
        return true;
    }
    // The program has done all it was given and the table all that fell due.
    bool Settle() {
        for (;;) {
            const bool rested = RealWait([this] {
                const mahjong::testing::Rest& r = conductor_.Last();
                return r.steps == conductor_.StepsSent() &&
                       Locked([&] { return r.requests == received_ && r.notices == sent_; });
            });
            if (!rested) return false;
            const uint64_t before = Locked([this] { return sent_; });
            server_->Poke();
            if (Locked([this] { return sent_; }) == before) return true;
        }
    }
    bool Step(int64_t ms) {
        clock_.AdvanceMillis(ms);
        if (!conductor_.Step(ms)) return false;
        server_->Poke();
        return true;
    }
    // Steps of `ms` until `done`, each once everything rests.
    template <typename F>
    bool Until(F done, int64_t ms = 100, int steps = 3000) {
        for (int i = 0; i < steps; ++i) {
            if (!Settle()) return false;
            if (done()) return true;
            if (!Step(ms)) return false;
        }
        return false;
    }
    // Lets the program's animations run their course.
    bool Pass(int64_t ms) {
        for (int64_t t = 0; t < ms; t += 100)
            if (!Settle() || !Step(100)) return false;
        return Settle();
    }

    // --- The screen and the pointer.
    // The screen as it stands: grabbed again once the program has moved on.
    const platform::Surface& Grab() {
        const auto& r = conductor_.Last();
        const std::array<uint64_t, 4> now{r.steps, r.notices, r.buttons,
                                          uint64_t(uint32_t(r.x)) << 32 | uint32_t(r.y)};
        if (grabbed_.Empty() || now != grabbedAt_) {
            if (!x11_) x11_ = std::make_unique<ts::X11Client>(xvfb_.Display());
            grabbed_ = x11_->Grab({0, 0, 1280, 1024});
            grabbedAt_ = now;
        }
        return grabbed_;
    }
    // The pointer's arrival, press and release, each handled before the next.
    bool MovePointer(platform::POINT at) {
        if (!pointer_) pointer_ = std::make_unique<gs::testing::XPointer>(xvfb_.Display());
        if (!pointer_->Ready() || !pointer_->MoveTo(at.x, at.y)) return false;
        return RealWait([&] {
                   const mahjong::testing::Rest& r = conductor_.Last();
                   return r.x == at.x && r.y == at.y;
               }) &&
               Pass(200);
    }
    bool Click(platform::POINT at) {
        if (!MovePointer(at)) return false;
        const uint64_t buttons = conductor_.Last().buttons;
        if (!pointer_->Press() ||
            !RealWait([&] { return conductor_.Last().buttons >= buttons + 1; }) ||
            !pointer_->Release() ||
            !RealWait([&] { return conductor_.Last().buttons >= buttons + 2; }))
            return false;
        return Pass(200);
    }
    // Where a picture shows now; `what` names it in failures.
    std::optional<ts::Found> Find(const platform::Surface& picture, ts::FindOptions options = {}) {
        if (!options.key) options.key = kKey;
        return ts::FindPicture(Grab(), picture, options);
    }
    // The grab against its golden picture.
    void ExpectScreen(const std::string& name) {
        const platform::Surface shown = Grab();
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
        if (!Click(found->Centre())) return ::testing::AssertionFailure() << "the click was lost";
        if (!Until([&] { return Locked([this] { return roundStarts_; }) > before; }))
            return ::testing::AssertionFailure() << "no round started";
        return ::testing::AssertionSuccess();
    }
    // No animation runs over the hand: every tile held shows, and the row
    // stays still for a moment (the sort sweep's pointing hand, the draw and
    // the discard's flight are done).
    platform::Surface HandRow() {
        const platform::Surface& screen = Grab();
        platform::Surface row(kHandRow.Width(), kHandRow.Height());
        for (int y = 0; y < row.Height(); ++y)
            for (int x = 0; x < row.Width(); ++x)
                row.Set(x, y, screen.At(kHandRow.left + x, kHandRow.top + y));
        return row;
    }
    bool Calm() {
        return Until(
            [this] {
                const platform::Surface before = HandRow();
                return Pass(300) && HandRow() == before && OwnHandShows();
            },
            100, 100);
    }
    // The clock's hand: which of its eight cells shows inside the clock.
    std::optional<int> ClockHand() {
        const platform::Surface& grab = Grab();
        const auto face =
            ts::FindPicture(grab, Picture("Classic/clock.bmp"), {kKey, 24, 0.2, kTable, {1.0}});
        if (!face) return std::nullopt;
        const platform::Surface hands = Picture("Classic/clock_hand.bmp");
        std::optional<std::pair<double, int>> best;
        for (int cell = 0; cell < 8; ++cell) {
            ts::FindOptions o{kKey, 24, 0.1, face->rect, {1.0}};
            o.area.left -= 8, o.area.top -= 8, o.area.right += 8, o.area.bottom += 8;
            if (auto f = ts::FindPicture(grab, ts::CellOf(hands, cell, 56, 56), o))
                if (!best || f->misses < best->first) best = {f->misses, cell};
        }
        if (!best) return std::nullopt;
        return best->second;
    }
    // The own hand's tiles of one kind on the screen, left to right.
    std::vector<ts::Found> HandTiles(int32_t kind, bool joker = false) {
        ts::FindOptions o{kKey, 24, 0.06, kHandRow, {1.0}};
        // A joker stands out in the row, tinted: its shape, not its colours.
        if (joker) o.tolerance = 90, o.misses = 0.03;
        const char* strip = joker ? "Classic/joker_large1024.bmp" : "Classic/mj_large1024.bmp";
        auto found =
            ts::FindPictures(Grab(), ts::CellOf(Picture(strip), FaceCell(kind), 54, 77), o);
        std::sort(found.begin(), found.end(),
                  [](const ts::Found& a, const ts::Found& b) { return a.rect.left < b.rect.left; });
        return found;
    }
    // Every tile the player holds stands in the hand row: a face of its kind
    // for each (a joker's face its own picture).
    ::testing::AssertionResult OwnHandShows() {
        std::map<std::pair<int32_t, bool>, size_t> held;  // (kind, joker) -> count
        server_->WithTable([&](gs::TableGame& t) {
            for (TileId tile : rules::testing::HeldTiles(t.model(), 0))
                ++held[{Kind(tile), t.model().IsJokerKind(tile) != 0}];
        });
        size_t tiles = 0;
        for (const auto& [what, count] : held) {
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
        std::set<std::pair<int32_t, bool>> kinds;
        server_->WithTable([&](gs::TableGame& t) {
            for (TileId tile : rules::testing::HeldTiles(t.model(), 0))
                kinds.insert({Kind(tile), t.model().IsJokerKind(tile) != 0});
        });
        std::vector<std::pair<platform::RECT, int32_t>> faces;
        for (const auto& [kind, joker] : kinds)
            for (const ts::Found& f : HandTiles(kind, joker))
                faces.push_back({f.rect, joker ? -kind : kind});
        std::sort(faces.begin(), faces.end(),
                  [](const auto& a, const auto& b) { return a.first.left < b.first.left; });
        if (faces.size() < 3) return ::testing::AssertionFailure() << "no hand row in view";
        // The last face may be the drawn tile, which keeps its own place.
        const auto& first = faces.front();
        const auto& target = faces[faces.size() - 2];
        const platform::POINT from{(first.first.left + first.first.right) / 2,
                                   (first.first.top + first.first.bottom) / 2};
        const platform::POINT to{(target.first.left + target.first.right) / 2, from.y};
        const uint64_t buttons = conductor_.Last().buttons;
        if (!MovePointer(from) || !pointer_->Press() ||
            !RealWait([&] { return conductor_.Last().buttons > buttons; }) || !Pass(100))
            return ::testing::AssertionFailure() << "the press was lost";
        for (int step = 1; step <= 4; ++step) {
            if (!MovePointer({from.x + (to.x - from.x) * step / 4, from.y}))
                return ::testing::AssertionFailure() << "the drag was lost";
        }
        if (!pointer_->Release() ||
            !RealWait([&] { return conductor_.Last().buttons > buttons + 1; }) || !Pass(500))
            return ::testing::AssertionFailure() << "the release was lost";
        const int32_t kind = first.second < 0 ? -first.second : first.second;
        for (const ts::Found& f : HandTiles(kind, first.second < 0))
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
        std::vector<ts::Found> faces;
        if (!Until([&] { return !(faces = HandTiles(Kind(tile))).empty(); }, 100, 50))
            return ::testing::AssertionFailure() << "tile kind " << Kind(tile) << " not in view";
        const size_t before = Locked([this] { return discards_.size(); });
        if (!Click(faces.back().Centre()))
            return ::testing::AssertionFailure() << "the click was lost";
        if (!Until([&] { return Locked([this] { return discards_.size(); }) > before; }, 100, 50))
            return ::testing::AssertionFailure() << "the click discarded nothing";
        const TileId sent = Locked([this] { return discards_.back(); });
        if (Kind(sent) != Kind(tile))
            return ::testing::AssertionFailure() << "discarded kind " << Kind(sent);
        return ::testing::AssertionSuccess();
    }
    // Clicks the operation button of `cell` ("碰杠吃胡过" order) and waits
    // for the request it sends.
    ::testing::AssertionResult AnswerOffer(int cell, uint32_t request) {
        const auto button = Find(ts::CellOf(Picture("Classic/PGCHG.png"), cell, 40, 40), kButton);
        if (!button) return ::testing::AssertionFailure() << "button " << cell << " not shown";
        const size_t before = Count(request);
        if (!Click(button->Centre())) return ::testing::AssertionFailure() << "the click was lost";
        if (!Until([&] { return Count(request) > before; }, 100, 50))
            return ::testing::AssertionFailure() << "button " << cell << " sent nothing";
        return ::testing::AssertionSuccess();
    }

    // An offer the player has not answered yet, its window open.
    bool OfferPending() {
        return Locked([this] { return offerOpen_; });
    }
    int32_t LastOffer() {
        return Locked([this] { return offers_.empty() ? 0 : offers_.back(); });
    }
    int RoundEnds() {
        return Locked([this] { return roundEnds_; });
    }
    // A button of the system bar ("buff.bmp" cells); the bar opens when the
    // pointer goes to its arrow.
    std::optional<ts::Found> SystemBarButton(int cell) {
        const platform::Surface button = ts::CellOf(Picture("Common/buff.bmp"), cell, 30, 30);
        if (auto found = Find(button, kButton)) return found;
        const auto arrow = Find(Picture("Common/arrowhead.bmp"), {kKey, 24, 0.1, kTable, {1.0}});
        if (!arrow || !MovePointer(arrow->Centre())) return std::nullopt;
        return Find(button, kButton);
    }
    ::testing::AssertionResult SystemBarButtons() {
        for (int cell :
             {assets::kBuffMusic, assets::kBuffSkin, assets::kBuffSort, assets::kBuffAutoPlay})
            if (!SystemBarButton(cell))
                return ::testing::AssertionFailure()
                       << "system bar button " << cell << " not shown";
        if (!ScreenshotSlot()) return ::testing::AssertionFailure() << "no fifth slot in the bar";
        return ::testing::AssertionSuccess();
    }
    bool AutoPlaySignShows() {
        return Find(Picture("Common/Autoplay.bmp"), {kKey, 24, 0.1, kTable, {1.0}}).has_value();
    }
    ::testing::AssertionResult AutoPlayOnAndOff() {
        for (bool on : {true, false}) {
            const auto button = SystemBarButton(assets::kBuffAutoPlay);
            if (!button) return ::testing::AssertionFailure() << "no 托管 button on the screen";
            if (!Click(button->Centre()) || !Pass(500))
                return ::testing::AssertionFailure() << "the click was lost";
            if (AutoPlaySignShows() != on)
                return ::testing::AssertionFailure()
                       << "the auto-play sign " << (on ? "did not show" : "stayed");
            if (on) ExpectScreen("auto_play.png");
        }
        return ::testing::AssertionSuccess();
    }
    // The screenshot button bears no picture of its own: it is the slot of
    // the system bar's row that none of the four pictured buttons takes.
    std::optional<platform::POINT> ScreenshotSlot() {
        std::vector<ts::Found> row;
        for (int cell :
             {assets::kBuffMusic, assets::kBuffSkin, assets::kBuffSort, assets::kBuffAutoPlay})
            if (auto found = SystemBarButton(cell)) row.push_back(*found);
        if (row.size() != 4) return std::nullopt;
        std::sort(row.begin(), row.end(),
                  [](const ts::Found& a, const ts::Found& b) { return a.rect.left < b.rect.left; });
        int pitch = row[1].rect.left - row[0].rect.left;
        for (size_t i = 2; i < row.size(); ++i)
            pitch = std::min(pitch, row[i].rect.left - row[i - 1].rect.left);
        if (pitch <= 0) return std::nullopt;
        const platform::POINT first = row.front().Centre();
        for (int slot = 0; slot <= 4; ++slot) {
            const int x = first.x + slot * pitch;
            if (std::none_of(row.begin(), row.end(), [&](const ts::Found& f) {
                    return std::abs(f.Centre().x - x) < pitch / 2;
                }))
                return platform::POINT{x, first.y};
        }
        return std::nullopt;
    }
    ::testing::AssertionResult ScreenshotSaved() {
        const auto button = ScreenshotSlot();
        if (!button) return ::testing::AssertionFailure() << "no screenshot button on the screen";
        if (!Click(*button)) return ::testing::AssertionFailure() << "the click was lost";
        auto jpeg = [this] {
            std::error_code error;
            for (const auto& entry :
                 std::filesystem::directory_iterator(dir_.path() + "temp", error))
                if (entry.path().extension() == ".jpg" && entry.file_size() > 0) return true;
            return false;
        };
        if (!Until(jpeg, 100, 20)) return ::testing::AssertionFailure() << "no JPEG in temp";
        return ::testing::AssertionSuccess();
    }
    // The settlement panel's "确定", then the start button of the next round.
    ::testing::AssertionResult CloseSettlement(const char* golden) {
        if (!Find(Picture("Classic/结算.pps"), {kKey, 24, 0.2, kTable, {1.0}}))
            return ::testing::AssertionFailure() << "no settlement panel on the screen";
        ExpectScreen(golden);
        const auto ok = Find(Picture("Common/确定.pps"), kButton);
        if (!ok) return ::testing::AssertionFailure() << "no 确定 on the screen";
        if (!Click(ok->Centre()) || !Pass(500))
            return ::testing::AssertionFailure() << "the click was lost";
        if (Find(Picture("Classic/结算.pps"), {kKey, 24, 0.2, kTable, {1.0}}))
            return ::testing::AssertionFailure() << "the settlement panel stayed";
        return ::testing::AssertionSuccess();
    }
    // What the program played: SDL's disk driver wrote something not silent.
    bool SoundHeard() {
        return RealWait([this] {
            const auto bytes = platform::ReadFileBytes(dir_.path() + "audio.raw", 64u << 20);
            return bytes &&
                   std::any_of(bytes->begin(), bytes->end(), [](uint8_t b) { return b != 0; });
        });
    }

    ts::XvfbServer xvfb_{"1280x1024x24"};
    platform::testing::TempDir dir_;
    std::string channel_ = dir_.path() + "clock.sock";
    mahjong::testing::ClockConductor conductor_{channel_};
    platform::ManualClock clock_{ClockChannel::kStartMicros};
    platform::ScopedClock scoped_{clock_};
    std::unique_ptr<gs::TableServer> server_;
    std::unique_ptr<hall::HallStandIn> hall_;
    std::unique_ptr<gs::testing::XPointer> pointer_;
    std::unique_ptr<ts::X11Client> x11_;
    platform::Surface grabbed_;
    std::array<uint64_t, 4> grabbedAt_{};
    pid_t child_ = -1;

    std::mutex mu_;
    gs::PeerId peer_ = -1;
    uint64_t sent_ = 0, received_ = 0;
    int roundStarts_ = 0, roundEnds_ = 0;
    bool entered_ = false, offerOpen_ = false;
    std::vector<uint32_t> requests_;
    std::vector<TileId> discards_;
    std::vector<int32_t> offers_;
};

TEST_F(PlayThroughTest, APersonPlaysARoundThroughTheScreen) {
    ASSERT_TRUE(Pass(1000));
    ExpectScreen("entered.png");
    // The music is on: it plays from the game's start, through SDL2_mixer.
    EXPECT_TRUE(SoundHeard()) << "the program played nothing";

    ASSERT_TRUE(PressStart());
    // The player deals: the first turn is the player's.
    ASSERT_TRUE(Until([this] { return PlayerToMove(); })) << "the player never came to move";
    // The deal's end: the clock shows.
    ASSERT_TRUE(Until([this] { return ClockHand().has_value(); }, 200, 100)) << "no clock";
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
        ASSERT_TRUE(Until([&] { return OfferPending() || PlayerToMove() || RoundEnds() > ends; }))
            << "the table stalled";
        if (RoundEnds() > ends) break;
        ASSERT_TRUE(Pass(300));
        if (OfferPending()) {
            ASSERT_TRUE(Calm());
            if (!punged && (LastOffer() & rules::kClaimFlagPung)) {
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
            ASSERT_TRUE(Until([this] { return !OfferPending(); })) << "the offer stayed open";
            continue;
        }
        if (punged && passed && !systemBar) {
            systemBar = true;
            EXPECT_TRUE(SystemBarButtons());
            EXPECT_TRUE(AutoPlayOnAndOff());
            EXPECT_TRUE(ScreenshotSaved());
            ASSERT_TRUE(Settle());
            if (!PlayerToMove()) continue;
        }
        ASSERT_TRUE(DiscardByClick());
    }
    EXPECT_TRUE(punged) << "no pung was offered";
    EXPECT_TRUE(passed) << "no second offer came";

    // The settlement, closed with its button; the next round by the start
    // button.
    ASSERT_TRUE(
        Until([this] { return Find(Picture("Common/确定.pps"), kButton).has_value(); }, 500, 40))
        << "no settlement panel";
    EXPECT_TRUE(CloseSettlement("settlement.png"));
    ASSERT_TRUE(PressStart());
    ASSERT_TRUE(Pass(1000));
    ExpectScreen("next_round.png");

    // On auto-play the program plays the round alone; the click that closes
    // its settlement, as any click on the table, ends auto-play, and the
    // start button begins the next round.
    std::optional<ts::Found> autoPlay;
    ASSERT_TRUE(Until(
        [&] { return (autoPlay = SystemBarButton(assets::kBuffAutoPlay)).has_value(); }, 200, 100))
        << "no 托管 button on the screen";
    ASSERT_TRUE(Click(autoPlay->Centre()));
    ASSERT_TRUE(MovePointer({1270, 1010}));  // off the table
    ASSERT_TRUE(Until([&] { return RoundEnds() > ends + 1; }, 100, 10000))
        << "auto-play did not finish the round";
    ASSERT_TRUE(
        Until([this] { return Find(Picture("Common/确定.pps"), kButton).has_value(); }, 500, 40))
        << "no settlement panel";
    EXPECT_TRUE(CloseSettlement("auto_play_settlement.png"));
    EXPECT_FALSE(AutoPlaySignShows()) << "the click did not end auto-play";
    EXPECT_TRUE(PressStart());
}

}  // namespace
}  // namespace mahjong
