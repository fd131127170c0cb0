// Untrusted payloads into the main frame's real panes on the headless
// display: chat words and calls, player values, game results, notices and
// looker records. The first byte picks the handler; the rest is the data.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "client/chat_view.h"
#include "client/doc_template.h"
#include "client/game_app.h"
#include "client/mj_game_frame.h"
#include "client/player_view.h"
#include "platform/message_queue.h"

namespace {

client::CMJGameFrameWnd& Frame() {
    static client::CMJGameFrameWnd* frame = [] {
        setenv("QEVO_HALL_DIR", "/nonexistent-qevo-fuzz", 1);
        auto* app = new client::CGameApp("Qevo", 31201, 14, 0);
        app->SetCommandLine("\"7|127.0.0.1|3|1|0|101|5|0|0\"");
        app->ParseLaunchLine();
        client::HallTableState state;
        for (uint32_t i = 0; i < 6; ++i) {
            client::PlayerRecord p;
            p.userId = 101 + i;
            p.chair = int32_t(i < 4 ? i : 0);
            p.lookerFlag = i < 4 ? 0 : 1;
            p.userName = "p" + std::to_string(i);
            (i < 4 ? state.seated : state.lookers).push_back(p);
        }
        app->SetTableState(state);
        client::CSingleDocTemplate templ;
        templ.frame = client::CMJGameFrameWnd::CreateObject;
        auto opened = templ.OpenNew("fuzz");
        auto* made = static_cast<client::CMJGameFrameWnd*>(opened.frame.release());
        app->SetMainFrame(made);
        made->GetPlayerView()->OnRefreshList();
        return made;
    }();
    return *frame;
}

void Pump() {
    platform::Message msg;
    while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
        platform::DispatchMessage(msg);
}

}  // namespace

// Some face names make fontconfig keep a small record it never frees;
// that is fontconfig's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 64 * 1024) return 0;
    client::CMJGameFrameWnd& frame = Frame();
    const std::span<const uint8_t> rest(data + 1, size - 1);
    const std::string text(reinterpret_cast<const char*>(rest.data()), rest.size());
    switch (data[0] % 7) {
        case 0:
            frame.ChatWords(rest);
            break;
        case 1:
            frame.ChatCall(rest);
            break;
        case 2:
            frame.RefreshPlayerValues(rest);
            break;
        case 3:
            frame.GetPlayerView()->ApplyScoreChanges(rest);
            break;
        case 4:
            frame.GetChatView()->AppendSystemText(text);
            break;
        case 5:
            if (rest.size() >= 4) frame.RemovePlayerRow(rest[0] + 100u);
            break;
        default: {
            client::PlayerRecord record;
            if (rest.size() >= client::kPlayerRecordSize)
                record = client::PlayerRecord::Decode(rest.first<client::kPlayerRecordSize>());
            frame.GetPlayerView()->OnPlayerEnter(record);
            frame.GetChatView()->ShowLookerEntered(record);
            break;
        }
    }
    Pump();
    return 0;
}
