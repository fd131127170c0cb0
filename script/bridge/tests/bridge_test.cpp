// Scripts inside a running engine: one script resource that uses every
// engine command, then the failures the commands must report, under the
// test clock.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/engine_clock.h"
#include "engine/image_entity.h"
#include "engine/tests/recorded_sound.h"
#include "engine/tests/runtime_fixture.h"
#include "engine/text_entity.h"
#include "script/bridge/script_button.h"
#include "script/bridge/script_object.h"
#include "script/messages.h"

namespace script {
namespace {

using engine::Entity;

// Keeps the notices the engine shows.
class Scene : public engine::GameEngine {
  public:
    using GameEngine::GameEngine;
    int MessageBox(engine::NoticeRecord& notice) override {
        notices.push_back(notice.text);
        return GameEngine::MessageBox(notice);
    }
    std::vector<std::string> notices;
};

class BridgeTest : public engine::testing::RuntimeTest {
  protected:
    BridgeTest() {
        engine::EngineClock::Update();
        InstallScriptBridge(scene_);
        scene_.BeginSystem();
        scene_.InitScreen(320, 240);
        // The sound folder's "click.wav" is tagged 7, the built-in 29005 5.
        engine::testing::WriteTaggedWav(dir_ / "sound/click.wav", 7);
        engine::testing::WriteTaggedWav(dir_ / "sound/press.wav", 8);
        engine::testing::WriteTaggedWav(dir_ / "res/sound/29005.wav", 5);
        scene_.GetWorld().Sound().SetSoundDir(dir_.path() + "/sound/");
        scene_.GetWorld().Sound().EnableBass();
        object_ = dynamic_cast<ScriptObject*>(resources_.GetScriptInterpreter());
        AddFrames("strip", 10, 10, 3);
    }
    ~BridgeTest() override { scene_.EndSystem(); }

    // A strip of `frames` frames, frame f filled with palette entry f + 1;
    // entry 3 is (0xC0, 0x40, 0).
    void AddFrames(const std::string& title, int w, int h, int frames) {
        AddStrip(title, w, h, frames, 100, {255, 0,  255, 10, 10, 10, 20, 20, 20, 0xC0, 0x40, 0,
                                            30,  30, 30,  40, 40, 40, 50, 50, 50, 60,   60,   60},
                 [](int f, int, int) { return f + 1; });
    }
    void Load(const std::string& text) {
        dir_.Write("scene.script", text);
        ASSERT_NE(resources_.RegisterFile(dir_ / "scene.script", "scene", ".script", true, 0), 0u);
    }
    void Run(std::string_view function, int64_t ms = 60) {
        object_->Interpreter().CallScript(function, "");
        Frames(ms);
    }
    void Frames(int64_t ms) {
        for (int64_t t = 0; t < ms; t += 30) {
            Advance(30);
            scene_.Frame();
        }
    }
    // The entity whose id the script logged after `tag` ("时间戳(tag + id)").
    Entity* Logged(const std::string& tag) {
        const std::string log = LogText();
        const size_t at = log.find(":" + tag);
        return at == std::string::npos
                   ? nullptr
                   : scene_.GetEntity(uint32_t(std::atoi(log.c_str() + at + 1 + tag.size())));
    }
    std::string Failure(std::string_view format, std::string_view script,
                        std::string_view command) {
        return msg::FormatMessage(format, {script, command});
    }

    Scene scene_{resources_};
    ScriptObject* object_ = nullptr;
    engine::testing::RecordedSound sound_;
};

TEST_F(BridgeTest, AScriptResourceDrivesTheEngine) {
    ASSERT_NE(object_, nullptr);
    Load(
        "脚本开始 main();\r\n"
        "p = 创建平面(60, 30, 16711680, 3); tag = \"P\" + p; 时间戳(tag);\r\n"
        "操作实体(p, 坐标, 100, 80, 显示);\r\n"
        "操作平面(p, 底色, 32768, 边界色, 16777215, 文字, 4, 4, 脚本平面, 贴图, 40, 2, strip, "
        "2);\r\n"
        "q = 创建图片(strip, 1); tag = \"Q\" + q; 时间戳(tag);\r\n"
        "操作实体(q, 坐标, 200, 80, 显示, 图层, 7);\r\n"
        "绑定实体(p, q);\r\n"
        "操作图片(q, 播放, 帧数, 2);\r\n"
        "传出 q, 坐标, 宽度, 显示, 类型; 函数 读取实体; 传入 x, y, w, shown, kind;\r\n"
        "时间戳(x);时间戳(y);时间戳(w);时间戳(shown);时间戳(kind);\r\n"
        "函数 获取当前屏幕大小; 传入 sw, sh; 时间戳(sw);\r\n"
        "等待(100);\r\n"
        "操作实体(p, 位移, 10, 0);\r\n"
        "播放音效(click.wav);\r\n"
        "触发脚本(after, 5);\r\n"
        "脚本结束;\r\n"
        "脚本开始 after(v); 时间戳(after); 脚本结束;\r\n"
        "脚本开始 more();\r\n"
        "c = 红黄绿(0, 0, 255); a = 创建平面(20, 20, c); 操作平面(a, 宽高, 30, 10, 背景色, "
        "255);\r\n"
        "贴图(a, strip, 2, 0, 0, 10, 10);\r\n"
        "b = 创建图片(strip); 操作图片(b, 跳帧, 2); 操作图片(b, 切帧);\r\n"
        "d = 创建图片(strip, 5); 操作实体(d, 坐标, 50, 50, 显示);\r\n"
        "操作图片(b, 载入, strip, 1); 操作图片(b, 背景色, 255);\r\n"
        "绑定实体(a, b, 位置, 显示); 解除绑定(a, b);\r\n"
        "设置资源目录(pics); 动态加载(extra.png);\r\n"
        "tag = \"A\" + a; 时间戳(tag); tag = \"B\" + b; 时间戳(tag); 时间戳(c);\r\n"
        "脚本结束;\r\n");
    EXPECT_EQ(object_->GetScriptCount(), 3u);
    Run("main", 60);
    Entity* p = Logged("P");
    Entity* q = Logged("Q");
    ASSERT_NE(p, nullptr);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ((engine::Point{p->GetX(), p->GetY()}), (engine::Point{100, 80}));
    EXPECT_EQ(p->GetKind(), engine::kKindText);
    EXPECT_EQ(p->GetLayerIndex(), 3);
    EXPECT_TRUE(p->IsVisible());
    EXPECT_EQ(q->GetAttachedTo(), p);
    EXPECT_EQ(q->GetDepth(), 7);
    // The plane's ground, border and the picture drawn into it.
    auto* plane = static_cast<engine::TextEntity*>(p);
    const uint8_t* px = plane->GetPixels();
    EXPECT_EQ(px[(27 * 60 + 58) * 4 + 1], 128);  // green ground
    EXPECT_EQ(px[1], 255);                       // white border
    EXPECT_EQ(px[(5 * 60 + 45) * 4 + 2], 0xC0);  // the strip's third frame
    for (const char* line : {":200\r\n", ":80\r\n", ":10\r\n", ":TRUE\r\n", ":1\r\n", ":320\r\n"})
        EXPECT_NE(LogText().find(line), std::string::npos) << line;
    // The wait ends after 100 ms: the plane moves, its picture with it.
    Frames(120);
    EXPECT_EQ(p->GetX(), 110);
    EXPECT_EQ(q->GetX(), 210);
    EXPECT_EQ(sound_.Played(), (std::vector<uint8_t>{7}));
    EXPECT_NE(LogText().find(":after"), std::string::npos);
    // Two frames, one every 100 ms.
    Frames(150);
    EXPECT_EQ(static_cast<engine::ImageEntity*>(q)->GetFrame(), 2u);
    EXPECT_TRUE(scene_.notices.empty());
    EXPECT_EQ(object_->GetRunningCount(), 0u);

    // The rest of the commands.
    AddPicture("extra", 4, 4, 0xFF102030);
    std::filesystem::create_directories(dir_ / "pics");
    std::filesystem::copy_file(dir_ / "extra.png", dir_ / "pics/extra.png");
    Run("more");
    EXPECT_TRUE(scene_.notices.empty());
    auto* a = static_cast<engine::TextEntity*>(Logged("A"));
    auto* b = static_cast<engine::ImageEntity*>(Logged("B"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ((engine::Point{a->GetWidth(), a->GetHeight()}), (engine::Point{30, 10}));
    EXPECT_EQ(a->GetPixels()[(5 * 30 + 5) * 4 + 2], 0xC0);  // the strip's third frame
    EXPECT_EQ(b->GetFrame(), 0u);
    EXPECT_EQ(scene_.Output().At(50, 50), 0xFFC04000u);  // frame 5 of 3 is the third
    EXPECT_EQ(b->GetBackColor(), 255u);
    EXPECT_EQ(b->GetAttachedTo(), nullptr);
    EXPECT_NE(LogText().find(":16711680\r\n"), std::string::npos);
    EXPECT_NE(resources_.GetImageIdByName("extra"), 0u);
}

TEST_F(BridgeTest, CommandsReportTheirFailures) {
    Load(
        "脚本开始 gone(); g = 创建平面(10, 10); tag = \"G\" + g; 时间戳(tag); "
        "操作实体(g, 删除, 坐标); 操作实体(g, 显示); 脚本结束;\r\n"
        "脚本开始 loop(); a = 创建平面(10, 10); b = 创建平面(10, 10); 绑定实体(a, b); "
        "绑定实体(b, a); 脚本结束;\r\n"
        "脚本开始 self(); a = 创建平面(10, 10); 绑定实体(a, a); 脚本结束;\r\n"
        "脚本开始 kind(); a = 创建平面(10, 10); 操作图片(a, 切帧); 脚本结束;\r\n"
        "脚本开始 plane(); a = 创建图片(strip); 操作平面(a, 宽高, 5, 5); 脚本结束;\r\n"
        "脚本开始 huge(); a = 创建平面(5000, 10); 脚本结束;\r\n"
        "脚本开始 grow(); a = 创建平面(10, 10); 操作平面(a, 宽高, 3000, 10); 脚本结束;\r\n"
        "脚本开始 word(); a = 创建平面(10, 10); 操作实体(a, 坐标, 5, 6, 飞); 脚本结束;\r\n"
        "脚本开始 few(); a = 创建平面(10, 10); 操作实体(a, 坐标, 5); 脚本结束;\r\n"
        "脚本开始 folder(); 设置资源目录(\"../etc\"); 脚本结束;\r\n"
        "脚本开始 again(); 触发脚本(again); 脚本结束;\r\n");
    struct Case {
        const char* function;
        std::string_view format;
        const char* command;
    };
    const Case cases[] = {
        {"gone", msg::kCallFailed, "操作实体"},  // the deleted entity, not the word after
        {"loop", msg::kCallFailed, "绑定实体"},        {"self", msg::kCallFailed, "绑定实体"},
        {"kind", msg::kCallFailed, "操作图片"},        {"plane", msg::kCallFailed, "操作平面"},
        {"huge", msg::kCallFailed, "创建平面"},        {"grow", msg::kCallFailed, "操作平面"},
        {"word", msg::kCallBadArgs, "操作实体"},       {"few", msg::kCallTooFewArgs, "操作实体"},
        {"folder", msg::kCallBadArgs, "设置资源目录"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        scene_.notices.clear();
        Run(c.function);
        ASSERT_EQ(scene_.notices.size(), 1u);
        EXPECT_EQ(scene_.notices[0], Failure(c.format, c.function, c.command));
    }
    EXPECT_NE(LogText().find(":G"), std::string::npos);
    EXPECT_EQ(Logged("G"), nullptr);
    // A script that starts itself stops at the depth limit with its error.
    scene_.notices.clear();
    Run("again");
    ASSERT_FALSE(scene_.notices.empty());
    EXPECT_EQ(scene_.notices[0], msg::FormatMessage(msg::kCallTooDeep, {"again"}));
    EXPECT_EQ(object_->GetRunningCount(), 0u);
}

TEST_F(BridgeTest, AScriptButtonShowsItsFramesAndPlaysItsSounds) {
    AddFrames("knob", 20, 10, 4);
    auto* button = scene_.GetWorld().MakeObject<ScriptButton>(scene_);
    ASSERT_TRUE(button->CreateLook("knob", 4));
    auto* recorder = scene_.GetWorld().MakeObject<engine::testing::Recorder>();
    button->SetMessage({901, {}, recorder->GetControlId()});
    button->SetString(kSoundEnter, "29005");
    button->SetString(kSoundPress, "press.wav");
    button->SetRect(50, 50, 20, 10);
    button->Show();
    auto* picture = static_cast<engine::ImageEntity*>(button->BoundEntity());
    EXPECT_EQ(button->Caption()->GetX(), 50);
    scene_.OnMouseMove(0, 50, 50);
    EXPECT_EQ(picture->GetFrame(), uint32_t(kFrameHot));
    scene_.OnLButtonDown(0, 50, 50);
    EXPECT_EQ(picture->GetFrame(), uint32_t(kFramePressed));
    scene_.OnLButtonUp(0, 50, 50);
    EXPECT_EQ(recorder->codes, (std::vector<uint32_t>{901}));
    EXPECT_EQ(sound_.Played(), (std::vector<uint8_t>{5, 8}));
    EXPECT_EQ(button->GetString(kSoundPress), "press.wav");
    button->Enable(false);
    EXPECT_EQ(picture->GetFrame(), uint32_t(kFrameDisabled));
}

}  // namespace
}  // namespace script
