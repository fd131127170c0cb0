// The engine's system commands (codes 31-96 queued without a target) and
// its console.

#include <cstdio>

#include "engine/button_frame.h"
#include "engine/game_engine.h"
#include "engine/game_log.h"
#include "engine/mouse_controller.h"
#include "engine/resources/resource_manager.h"
#include "engine/resources/script_host.h"

namespace engine {
namespace {

constexpr uint32_t kValueColor = 0xFF;
constexpr uint32_t kLabelColor = 0xFFFFFF;
constexpr int32_t kEdge = 10;

std::string Printf(const char* format, auto... args) {
    char line[128];
    std::snprintf(line, sizeof line, format, args...);
    return line;
}

}  // namespace

Entity* GameEngine::ControlEntity(const MouseState& state) {
    ControlRecord* record = world_.GetControl(state.hoveredControl);
    return record ? world_.FindEntity(record->entityId) : nullptr;
}

void GameEngine::EdgeScroll(const MouseState& state) {
    int32_t x = state.x, y = state.y, dx = 0, dy = 0;
    if (x < kEdge) {
        x = kEdge;
        dx = -scrollStep_;
    } else if (x > logicalWidth_ - kEdge) {
        x = logicalWidth_ - kEdge;
        dx = scrollStep_;
    }
    if (y < kEdge) {
        y = kEdge;
        dy = -scrollStep_;
    } else if (y > logicalHeight_ - kEdge) {
        y = logicalHeight_ - kEdge;
        dy = scrollStep_;
    }
    if (dx == 0 && dy == 0) return;
    if (host_) host_->SetCursorPos(x, y);
    world_.Screen().MoveView(dx, dy);
}

int GameEngine::DispatchSystemCommand(uint32_t code, platform::Payload& payload) {
    const MouseState* state = payload.Get<MouseState>();
    if (code >= 35 && code <= 65) {
        Entity* entity = state ? ControlEntity(*state) : nullptr;
        if (!entity) return 1;
        switch (code) {
            case 37:
            case 40:
                entity->SetOpacity(1.0);
                entity->Update();
                break;
            case 38:
                entity->SetOpacity(0.8);
                entity->Update();
                break;
            case 39:
                entity->SetOpacity(0.3);
                entity->Update();
                break;
            case 43:
                if (ControlRecord* record = world_.GetControl(state->hoveredControl)) {
                    if (const EventEntry* entry = record->GetEvent(25))
                        world_.SendMessage(
                            {uint32_t(entry->code), entry->payload.Clone(), entry->target},
                            kSendNow);
                }
                break;
            case 45:
                entity->MoveBy(state->dx, state->dy);
                entity->Update();
                break;
            default:
                break;
        }
        return 0;
    }
    if (code >= 66 && code <= 68) {
        if (code != 67) return 0;
        if (const ControlRef* ref = payload.Get<ControlRef>()) {
            const ControlRecord* record = world_.GetControl(ref->id);
            if (auto* frame = record ? dynamic_cast<ButtonFrame*>(record->owner) : nullptr)
                frame->ResetButtons();
        }
        return 0;
    }
    if (code >= 81 && code <= 87) {
        switch (code) {
            case 82:
                if (state && host_) {
                    host_->PostToMainFrame(Printf("MousePoint:(%d,%d)\r\n", state->x, state->y));
                    host_->PostToMainFrame(Printf("GetObject:%u\r\n", state->hoveredEntity));
                }
                return 1;
            case 83:
                if (Entity* entity = state ? ControlEntity(*state) : nullptr) {
                    const Point p = entity->ScreenToLocal(state->x, state->y);
                    entity->MoveTo(p.x, p.y);
                    entity->Update();
                }
                return 1;
            case 84:
                if (MouseController* mouse = world_.Mouse()) mouse->Refresh();
                return 0;
            case 85:
                if (const std::string* name = payload.Get<std::string>()) SetCursorByName(*name);
                return 0;
            case 86:
                if (state) EdgeScroll(*state);
                return 1;
            default:
                return 0;
        }
    }
    switch (code) {
        case 88:
            if (const std::string* text = payload.Get<std::string>())
                ShowNotice(*text, 1, 1000, kCentre, kCentre, 100, 80, 0, 0, 0);
            return 1;
        case 91:
            return OnSystemCommand91(payload);
        case 92:
            return OnSystemCommand92();
        case 93:
            if (const ObjectRef* ref = payload.Get<ObjectRef>()) {
                if (auto* node = dynamic_cast<EngineNode*>(ref->object);
                    node && world_.IsRegistered(node))
                    node->Detach();
            }
            return 0;
        case 94:
            if (const EntityRef* ref = payload.Get<EntityRef>()) world_.DeleteEntity(ref->id);
            return 0;
        case 95:
            if (const ControlRef* ref = payload.Get<ControlRef>()) {
                if (world_.GetControl(ref->id)) world_.RemoveControl(ref->id);
            }
            return 0;
        default:
            WriteGameLog("警告：一个未响应的系统回调命令:%u", code);
            return 1;
    }
}

int GameEngine::ExecCommand(std::string_view text) {
    if (text == "/showsystem") {
        ShowSystemInfo();
    } else if (text == "/logon") {
        logGate_ = true;
    } else if (text == "/logoff") {
        logGate_ = false;
    } else if (text == "/showfps") {
        showFps_ = true;
    } else if (text == "/hidefps") {
        showFps_ = false;
    } else if (text == "/invalidate need") {
        SetInvalidateMode(0);
    } else if (text == "/invalidate fullscreen") {
        SetInvalidateMode(1);
    } else if (text == "/show invalidatearea") {
        showDirty_ = true;
    } else if (text == "/hide invalidatearea") {
        showDirty_ = false;
    } else if (text == "/endgame") {
        if (host_) host_->PostQuit();
    } else if (text == "/showgameset") {
        ShowScreenInfo();
    } else if (text == "/quillmoth") {
        OnHiddenConsole();
    } else {
        return 0;
    }
    return 1;
}

// Label and value rows in the renderer's own markup: the value in red
// between white labels, one row a line.
std::string GameEngine::InfoBox(
    const std::vector<std::pair<std::string_view, int64_t>>& rows) const {
    std::string text = "<rightmargin=20;leftmargin=20>";
    for (const auto& [label, value] : rows) {
        text += " ";
        text += label;
        text +=
            Printf("<color=%u>%lld<color=%u;break>", kValueColor, (long long)value, kLabelColor);
    }
    return text;
}

void GameEngine::ShowSystemInfo() {
    const ScriptHost* scripts = resources_.GetScriptInterpreter();
    const std::string text = InfoBox({
        {"实体：", int64_t(world_.EntityCount())},
        {"控件：", int64_t(world_.ControlCount())},
        {"动画申请：", int64_t(world_.ActiveApplyCount() + world_.EventCount())},
        {"资源：", int64_t(resources_.GetResCount())},
        {"调色板：", int64_t(resources_.GetPaletteCount())},
        {"核心类：", int64_t(world_.ObjectCount())},
        {"系统内存：", int64_t(resources_.GetMemResBytes())},
        {"消息：", int64_t(world_.QueuedMessages())},
        {"音效：", int64_t(world_.Sound().SoundCount())},
        {"加载脚本：", int64_t(scripts ? scripts->GetScriptCount() : 0)},
        {"运行脚本：", int64_t(scripts ? scripts->GetRunningCount() : 0)},
    });
    ShowNotice(text, 1, 1000, kCentre, kCentre, 100, 80, 0, 0, 0);
}

void GameEngine::ShowScreenInfo() {
    const std::string text = InfoBox({
        {"屏幕逻辑宽度:", logicalWidth_},
        {"屏幕逻辑高度:", logicalHeight_},
        {"屏幕设备宽度:", deviceWidth_},
        {"屏幕设备高度:", deviceHeight_},
        {"鼠标移动速度:", scrollStep_},
    });
    ShowNotice(text, 1, 1000, kCentre, kCentre, 100, 80, 0, 0, 0);
}

}  // namespace engine
