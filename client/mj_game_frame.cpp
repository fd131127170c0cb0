#include "client/mj_game_frame.h"

#include "client/chat_view.h"
#include "client/draw_utils.h"
#include "client/game_app.h"
#include "client/game_table_view.h"
#include "client/html_views.h"
#include "client/mj_game_app.h"
#include "client/player_view.h"
#include "client/skin_library.h"
#include "platform/gui/sys_colors.h"
#include "platform/message_queue.h"

namespace client {
namespace {

// A pane that only paints its background: the skin's picture `key`
// repeated, or the button face without one.
class PlainPane : public CGameFormView {
  public:
    explicit PlainPane(const char* key) : key_(key) {}
    ~PlainPane() override { Destroy(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message != platform::WM_PAINT) return CGameFormView::OnMessage(msg);
        platform::PAINTSTRUCT ps;
        platform::Painter p = BeginPaint(ps);
        const auto picture = SkinLibrary::Instance().GetBitmap(key_);
        TileBitmap(p, GetClientRect(), picture.get(),
                   platform::GetSysColor(platform::COLOR_BTNFACE));
        EndPaint(ps);
        return 0;
    }

  private:
    const char* key_;
};

// The chat pane with the face button's icon.
class FaceChatPane : public CGameChatView {
  public:
    ~FaceChatPane() override { Destroy(); }
    void OnInitialUpdate() override {
        CGameChatView::OnInitialUpdate();
        SetFaceButtonIcon(kFaceButtonIcon);
    }
};

CMJGameApp* MJApp() {
    return dynamic_cast<CMJGameApp*>(CGameApp::Current());
}

// The timers the frame sets for itself; any other belongs to the scene.
bool IsFrameTimer(platform::UINT_PTR id) {
    return id >= kTimerHallCheck && id <= kTimerKeepAlive;
}

}  // namespace

CMJGameFrameWnd::CMJGameFrameWnd() = default;

CMJGameFrameWnd::~CMJGameFrameWnd() {
    Destroy();
}

int CMJGameFrameWnd::TablePaneWidth() {
    const platform::RECT area = platform::GetDisplay()->WorkArea();
    const CGameApp* app = CGameApp::Current();
    return area.Width() * 14 / 18 + (app && app->IsSmallScreen() ? 120 : 0);
}

int CMJGameFrameWnd::PlayerPaneHeight() {
    const CGameApp* app = CGameApp::Current();
    constexpr int kChairs = 4;
    return app && app->IsSmallScreen() ? 56 + 16 * kChairs : 72 + 32 * kChairs;
}

std::unique_ptr<CGameTableView> CMJGameFrameWnd::MakeTablePane() {
    return CGameTableView::CreateObject();
}

std::unique_ptr<CGameFormView> CMJGameFrameWnd::MakeOperatePane() {
    return std::make_unique<PlainPane>("OperateBK");
}

std::unique_ptr<CGameFormView> CMJGameFrameWnd::MakeAdvertPane() {
    return CAdvertView::CreateObject();
}

std::unique_ptr<CGamePlayerView> CMJGameFrameWnd::MakePlayerPane() {
    return CGamePlayerView::CreateObject();
}

std::unique_ptr<CGameChatView> CMJGameFrameWnd::MakeChatPane() {
    return std::make_unique<FaceChatPane>();
}

std::unique_ptr<CGameFormView> CMJGameFrameWnd::MakeChatStandIn() {
    return std::make_unique<PlainPane>("");
}

bool CMJGameFrameWnd::OnCreateClient() {
    using platform::CSplitterWnd;
    if (!outer_.CreateStatic(this, 1, 2)) return false;
    outer_.SetColumnInfo(0, TablePaneWidth(), 0);
    table_ = MakeTablePane();
    if (!table_ || !table_->CreatePane(&outer_, CSplitterWnd::IdFromRowCol(0, 0), {0, 0, 1, 1}))
        return false;
    if (!inner_.CreateStatic(&outer_, 4, 1, platform::WS_CHILD | platform::WS_VISIBLE,
                             CSplitterWnd::IdFromRowCol(0, 1)))
        return false;
    inner_.SetRowInfo(0, OperatePaneHeight(), 0);
    inner_.SetRowInfo(1, AdvertPaneHeight(), 0);
    inner_.SetRowInfo(2, PlayerPaneHeight(), 0);
    operate_ = MakeOperatePane();
    advert_ = MakeAdvertPane();
    players_ = MakePlayerPane();
    for (auto [row, pane] : {std::pair<int, CGameFormView*>{0, operate_.get()},
                             {1, advert_.get()},
                             {2, players_.get()}}) {
        if (!pane || !pane->CreatePane(&inner_, CSplitterWnd::IdFromRowCol(row, 0), {0, 0, 1, 1}))
            return false;
    }
    // Only the chat pane has a stand-in: a plain pane.
    const platform::UINT chatId = CSplitterWnd::IdFromRowCol(3, 0);
    if (auto chat = MakeChatPane(); chat && chat->CreatePane(&inner_, chatId, {0, 0, 1, 1})) {
        chatView_ = chat.get();
        chat_ = std::move(chat);
    } else {
        chat_ = MakeChatStandIn();
        if (!chat_ || !chat_->CreatePane(&inner_, chatId, {0, 0, 1, 1})) return false;
    }
    ApplySplitterSkin();
    return true;
}

void CMJGameFrameWnd::ApplySplitterSkin() {
    auto& library = SkinLibrary::Instance();
    const auto vertical = library.GetBitmap("SplitterVerBK");
    const auto horizontal = library.GetBitmap("SplitterHorBK");
    for (CSkinSplitterWnd* splitter : {&outer_, &inner_}) {
        if (!splitter->GetSafeHwnd()) continue;
        splitter->SetBorder(2, 2);
        splitter->SetBarBitmaps(vertical, horizontal);
        splitter->SetDrawStyle(vertical || horizontal ? 2 : 0);
        splitter->RecalcLayout();
    }
    if (operate_) operate_->Invalidate();
    if (dialogBar_.GetSafeHwnd()) dialogBar_.ApplySkin();
    // Last, the table pane's own skin hook: a scene reloads its table.
    if (table_) table_->InitializeTable();
}

uint32_t CMJGameFrameWnd::TableClockTimer() const {
    CMJGameApp* app = MJApp();
    const MJTableSceneTarget* scene = app ? app->GetTableScene() : nullptr;
    return scene ? scene->RunningClockTimer() : CGameFrameWnd::TableClockTimer();
}

void CMJGameFrameWnd::OnPlayerCard(const PlayerRecord& record) {
    if (CMJGameApp* app = MJApp()) app->ShowPlayerInfo(record);
}

void CMJGameFrameWnd::OnTableEntered() {
    for (platform::CWnd* pane :
         {static_cast<platform::CWnd*>(chatView_), static_cast<platform::CWnd*>(players_.get()),
          static_cast<platform::CWnd*>(table_.get())}) {
        if (pane && pane->GetSafeHwnd())
            platform::SendMessage(pane->GetSafeHwnd(), kMsgTableEntered);
    }
    if (advert_ && advert_->GetSafeHwnd())
        platform::PostMessage(advert_->GetSafeHwnd(), kMsgTableEntered, 0, 0,
                              platform::Payload::Make<std::string>(App().GetAdvertUrl()));
    if (CMJGameApp* app = MJApp()) app->OnTableEntered(TablePaneHostsScene());
}

platform::LRESULT CMJGameFrameWnd::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE: {
            if (CGameFrameWnd::OnMessage(msg) == -1) return -1;
            if (!dialogBar_.Create(this)) return -1;
            SetTopBar(&dialogBar_);
            SetWindowPos(platform::HWND_TOPMOST, 0, 0, 0, 0,
                         platform::SWP_NOMOVE | platform::SWP_NOSIZE);
            return 0;
        }
        case kMsgTableEntered:
            OnTableEntered();
            return 0;
        case platform::WM_TIMER:
            if (CMJGameApp* app = MJApp(); app && !IsFrameTimer(msg.wParam)) {
                app->OnHostTimer(uint32_t(msg.wParam));
                return 0;
            }
            return CGameFrameWnd::OnMessage(msg);
        case kMsgPlayerCard:
            if (msg.wParam) OnPlayerCard(*reinterpret_cast<const PlayerRecord*>(msg.wParam));
            return 0;
        default:
            return CGameFrameWnd::OnMessage(msg);
    }
}

}  // namespace client
