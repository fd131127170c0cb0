#include "tools/engine-demo/demo_scene.h"

#include "engine/advanced_button.h"
#include "engine/anim_entity.h"
#include "engine/engine_clock.h"
#include "engine/image_entity.h"
#include "engine/particle_entity.h"
#include "engine/resources/file_utils.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "script/bridge/script_object.h"
#include "tools/engine-demo/demo_assets.h"

namespace engine_demo {
namespace {

constexpr uint32_t kKey = 0xFF00FF;
constexpr int kTiles = 14;
constexpr int32_t kWalkY = 540, kWalkLeft = 120, kWalkRight = 620;
// The buttons' tones: enter, press, leave.
constexpr uint32_t kEnterTone = 29001, kPressTone = 29002, kLeaveTone = 29003;

}  // namespace

DemoScene::DemoScene(engine::ResourceManager& resources, std::string folder, Say say, bool still)
    : GameEngine(resources), folder_(std::move(folder)), say_(std::move(say)), still_(still) {}

void DemoScene::InitGameData() {
    engine::ResourceManager& res = Resources();
    res.SetRoot(folder_);
    GetWorld().Sound().SetSoundDir(engine::GetAppDir() + "sound\\demo\\");
    GetWorld().Sound().EnableBass();
    const uint32_t cloth = LoadImageFile("cloth.png", 1, "cloth", kKey, true);
    const uint32_t tile = LoadImageFile("tile.png", 1, "tile", kKey, true);
    const uint32_t strip = LoadImageFile("strip.png", 1, "strip", kKey, true);
    const uint32_t spark = LoadImageFile("spark.png", 1, "spark", kKey, true);
    Screen().CreateFromImage(cloth, 0, 0, kWidth, kHeight, engine::kBackCached);

    engine::TextEntity* title = CreateTextEntity(3, kWidth / 2, 40, 240, 40, kKey);
    title->SetFontFace(28, 700, "宋体");
    title->SetTextColor(0xE0F0FF);
    title->SetText(8, 4, "引擎演示");
    ShowEntity(title, true);

    MakeTiles(tile);

    disc_ = CreateAnimEntity(2, 620, 150, engine::MakeUniformStrip(strip, 32, 32, 4, 150));
    if (disc_) {
        disc_->SetSize(64, 64);
        if (!still_) {
            const engine::FrameSet cells = engine::MakeUniformStrip(strip, 32, 32, 4, 150);
            disc_->SetFrames(
                &cells, 1.0,
                engine::kStripOwnsSets | engine::kStripPlaying | engine::kStripLoopChain);
        }
        disc_->Advance(engine::EngineClock::Now());
        ShowEntity(disc_, true);
    }

    if (engine::ParticleEntity* sparks =
            CreateParticleEntity(3, 160, 150, spark, 0, 0, 7, 7, -1, 50)) {
        ShowEntity(sparks, true);
        if (!still_) ApplyParticles(sparks, 0, 0, {}, false);
    }

    MakeButtons();
    SetMouseEvent(engine::kEvKeyDown, kKeyPressed, 0);
    StartScript();
}

void DemoScene::MakeTiles(uint32_t tile) {
    for (int i = 0; i < kTiles; ++i) {
        engine::ImageEntity* e =
            CreateImageEntity(1, 100 + i * 42, 640, tile, 0, 0, 0, 0, engine::kNoBlendColor);
        if (e) ShowEntity(e, true);
    }
    engine::ImageEntity* walker =
        CreateImageEntity(2, kWalkLeft, kWalkY, tile, 0, 0, 0, 0, engine::kNoBlendColor);
    if (!walker) return;
    ShowEntity(walker, true);
    walker_ = walker->GetId();
    if (still_) return;
    Walk();
    Fade();
}

void DemoScene::Walk() {
    engine::Entity* walker = GetEntity(walker_);
    // A channel of its own: a move without one would stop the fading.
    ApplyMoveTo(walker, NextEventId(), walkRight_ ? kWalkRight : kWalkLeft, kWalkY, 4, 0,
                kWalkEnded);
    walkRight_ = !walkRight_;
}

void DemoScene::Fade() {
    const uint32_t channel = NextEventId();
    ApplyFade(GetEntity(walker_), fadeOut_ ? -0.02 : 0.02, fadeOut_ ? 0.3 : 1.0, channel, 0,
              kFadeEnded, {}, false, 0);
    fadeOut_ = !fadeOut_;
}

void DemoScene::MakeButtons() {
    auto* notice = CreateButton<engine::AdvancedButton>();
    if (notice->Create(kNoticeClicked, kNoticeButtonX, kNoticeButtonY, 100, 36, true)) {
        notice->SetTextColor(0xFFFFFF);
        notice->SetGradient({0xE08040, 0x803010, 0, 0, 0, 0}, {0, 0, 0, 0}, false);
        notice->SetBorderColor(0xFFFFFF, false);
        notice->SetSounds(kEnterTone, kPressTone, kLeaveTone);
        notice->SetCaptionFit("通知", true);
    }
    for (uint32_t i = 0; i < 3; ++i) {
        auto* button = CreateButton<engine::AdvancedButton>();
        if (!button->Create(kButtonClicked + i, 300 + int32_t(i) * 120, kNoticeButtonY, 100, 36,
                            true))
            continue;
        button->SetTextColor(0xD0F0FF);
        button->SetSolidColor(0x204080, false);
        button->SetBorderColor(0x80C0E0, false);
        button->SetSounds(kEnterTone, kPressTone, kLeaveTone);
        button->SetCaptionFit("按钮", true);
    }
}

void DemoScene::StartScript() {
    engine::ResourceManager& res = Resources();
    res.RegisterFile(folder_ + "demo.script", "demo", ".script", true, 0);
    if (auto* scripts = dynamic_cast<script::ScriptObject*>(res.GetScriptInterpreter()))
        scripts->Interpreter().CallScript("main", still_ ? "0" : "2");
}

void DemoScene::OnTimersStarted() {
    GetWorld().Sound().OpenMusic("music.wav");
    GetWorld().Sound().MciPlay();
}

void DemoScene::OnFrameBegin() {
    if (disc_ && !still_) disc_->Advance(engine::EngineClock::Now());
}

int DemoScene::OnMessage(uint32_t code, platform::Payload& payload, uint32_t) {
    switch (code) {
        case kNoticeClicked:
            say_("clicked notice");
            ShowNotice("这是引擎的通知框", engine::kNoticeButtons, 1000, engine::kCentre,
                       engine::kCentre, 200, 80, kNoticeClosed, 0, 0);
            break;
        case kButtonClicked:
        case kButtonClicked + 1:
        case kButtonClicked + 2:
            say_("clicked button " + std::to_string(code - kButtonClicked + 1));
            GetWorld().Sound().PlayByName("click.wav");
            break;
        case kNoticeClosed:
            say_("notice closed");
            break;
        case kKeyPressed:
            if (const engine::MouseState* state = payload.Get<engine::MouseState>())
                say_("key " + std::to_string(state->heldKey));
            break;
        case kWalkEnded:
            Walk();
            break;
        case kFadeEnded:
            Fade();
            break;
        default:
            break;
    }
    return 1;
}

}  // namespace engine_demo
