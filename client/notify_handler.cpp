#include "client/notify_handler.h"

#include <cstdio>

#include "client/game_app.h"
#include "platform/bytes.h"
#include "platform/message_queue.h"
#include "transport/log.h"

namespace client {

bool CGameNotifyHandler::HasBytes(uint32_t id, Data data, size_t need) {
    if (data.size() >= need) return true;
    transport::LogPrintf("notification %u: %zu bytes, %zu needed; refused", id, data.size(), need);
    return false;
}

bool CGameNotifyHandler::Dispatch(uint32_t id, Data data) {
    switch (id) {
        case kNotePlayerValues:
            return OnPlayerValues(data);
        case kNotePlayerQuit:
            return OnNotify211000(data);
        case kNoteChatWords:
            return OnChatWords(data);
        case kNoteCall:
            return OnCall(data);
        case kNote211025:
            return OnNotify211025(data);
        case kNoteLookerLeft:
            return OnLookerLeft(data);
        case kNoteSilverShort:
            return OnSilverShort(data);
        case kNoteScoreShort:
            return OnScoreShort(data);
        case kNoteScoreOverLimit:
            return OnScoreOverLimit(data);
        default:
            return false;
    }
}

bool CGameNotifyHandler::OnPlayerValues(Data data) {
    if (!HasBytes(kNotePlayerValues, data, 4)) return false;
    const uint64_t count = platform::LoadLE32(data.data());
    if (!HasBytes(kNotePlayerValues, data, 4 + count * kPlayerValuesRecordSize)) return false;
    CGameApp* app = CGameApp::Current();
    for (uint64_t i = 0; i < count && app; ++i) {
        const uint8_t* r = data.data() + 4 + i * kPlayerValuesRecordSize;
        PlayerRecord* player = app->FindPlayerMutable(platform::LoadLE32(r + 16));
        if (!player) continue;
        player->silver = int32_t(platform::LoadLE32(r + 28));
        player->score = int32_t(platform::LoadLE32(r + 24));
        player->word21 = platform::LoadLE32(r + 32);
        player->levelTitle = PlayerRecord::LevelTitleOf(std::span<const uint8_t, 16>(r + 36, 16));
    }
    if (app && app->MainFrame()) app->MainFrame()->RefreshPlayerValues(data);
    return true;
}

bool CGameNotifyHandler::OnNotify211000(Data) {
    CGameApp* app = CGameApp::Current();
    if (!app) return true;
    if (GameFrameAccess* frame = app->MainFrame()) {
        frame->ClearClosePending();
        frame->RefreshTable();
    }
    app->ShowStatus(nullptr, 0);
    // The game is over: nothing more is sent, and a request that fails now
    // is no table to resynchronise.
    app->BeginLeaving();
    app->Disconnect();
    return true;
}

bool CGameNotifyHandler::OnChatWords(Data data) {
    CGameApp* app = CGameApp::Current();
    if (app && app->MainFrame() && app->MainFrame()->HasChatView())
        app->MainFrame()->ChatWords(data);
    return true;
}

bool CGameNotifyHandler::OnCall(Data data) {
    if (!HasBytes(kNoteCall, data, 20)) return false;
    CGameApp* app = CGameApp::Current();
    if (!app) return true;
    if (app->MainFrame() && app->MainFrame()->HasChatView()) app->MainFrame()->ChatCall(data);
    if (platform::LoadLE32(data.data() + 16) == app->GetUserId()) app->PlaySound(kSoundCalled, 1);
    return true;
}

bool CGameNotifyHandler::OnNotify211025(Data data) {
    if (!HasBytes(kNote211025, data, 4)) return false;
    CGameApp* app = CGameApp::Current();
    if (app && app->Hall())
        app->Hall()->PostToHall(kHallMsgPlayerNotice, app->MainWindow(),
                                platform::LoadLE32(data.data()));
    return true;
}

bool CGameNotifyHandler::OnLookerLeft(Data data) {
    if (!HasBytes(kNoteLookerLeft, data, 4)) return false;
    CGameApp* app = CGameApp::Current();
    if (!app) return true;
    const uint32_t userId = platform::LoadLE32(data.data());
    const PlayerRecord* player = app->FindPlayer(userId);
    if (!player) return true;
    if (GameFrameAccess* frame = app->MainFrame()) {
        if (frame->HasChatView()) frame->ChatLookerLeft(*player);
        frame->RemovePlayerRow(userId);
    }
    return true;
}

bool CGameNotifyHandler::GameOver(uint32_t id, Data data, const char* format) {
    if (!HasBytes(id, data, 4)) return false;
    CGameApp* app = CGameApp::Current();
    if (!app) return true;
    char text[256];
    std::snprintf(text, sizeof(text), format,
                  app->GetUserName(platform::LoadLE32(data.data())).c_str());
    int seconds = 5;
    app->ShowTimedMessage(text, "确定", "取消", &seconds, 0);
    if (app->MainWindow()) platform::PostMessage(app->MainWindow(), platform::WM_CLOSE);
    return true;
}

bool CGameNotifyHandler::OnSilverShort(Data data) {
    return GameOver(kNoteSilverShort, data, "%s的银子不够了，这一桌游戏结束。");
}

bool CGameNotifyHandler::OnScoreShort(Data data) {
    return GameOver(kNoteScoreShort, data, "%s的积分不够了，这一桌游戏结束。");
}

bool CGameNotifyHandler::OnScoreOverLimit(Data data) {
    return GameOver(kNoteScoreOverLimit, data, "%s的积分超出限制，这一桌游戏结束。");
}

}  // namespace client
