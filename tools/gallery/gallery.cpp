#include "tools/gallery/gallery.h"

#include <cstdlib>

#include "client/client_ui.h"
#include "client/draw_utils.h"
#include "client/skin_library.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace gallery {
namespace {

using platform::RECT;

constexpr platform::UINT kMsgInside = platform::WM_USER + 40;
constexpr platform::UINT kIdSkin = 10;
constexpr platform::UINT kIdRequest = 11;

client::PlayerRecord Player(uint32_t id, int chair, const char* name, const char* nickname,
                            uint32_t portrait, int32_t score) {
    client::PlayerRecord p;
    p.userId = id;
    p.chair = chair;
    p.userName = name;
    p.nickname = nickname;
    p.portrait = portrait;
    p.score = score;
    p.silver = 10000 + score * 10;
    p.levelTitle = "雀士";
    return p;
}

client::HallTableState GalleryTable() {
    client::HallTableState s;
    s.room.zoneName = "东区";
    s.room.roomName = "财神房";
    s.seated = {Player(101, 0, "东风", "小东", 1, 120), Player(1001, 1, "南风", "", 2, -40),
                Player(kRequesterId - 1, 2, "北风", "阿北", 4, 8),
                Player(kRequesterId, 3, "西风", "小西", 3, 66)};
    s.table.seatedCount = 4;
    return s;
}

// A child that paints a gradient.
class GradientView : public platform::CWnd {
  public:
    ~GradientView() override { Destroy(); }
    client::CGradientFill fill;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message != platform::WM_PAINT) return CWnd::OnMessage(msg);
        platform::PAINTSTRUCT ps;
        platform::Painter painter = BeginPaint(ps);
        fill.Draw(painter, GetClientRect(), 256);
        EndPaint(ps);
        return 0;
    }
};

}  // namespace

GalleryApp::GalleryApp() : CGameApp("Gallery", 31201, 14, 0), skin_(GetIniPath()) {
    SetCommandLine("\"7|127.0.0.1|3|0|9|101|5|0|0|0|Qevo 控件|1\"");
    ParseLaunchLine();
    SetTableState(GalleryTable());
}

// The gallery's window: the dialog bar, its buttons and the pieces below.
class Gallery::Frame : public platform::CWnd {
  public:
    explicit Frame(GalleryApp& app) : app_(app) {}
    ~Frame() override { Destroy(); }

    bool Make() {
        const RECT at{kWindowAt.x, kWindowAt.y, kWindowAt.x + kWindowSize.cx,
                      kWindowAt.y + kWindowSize.cy};
        return CreateEx(0, "Qevo 控件", platform::WS_OVERLAPPEDWINDOW | platform::WS_VISIBLE, at,
                        nullptr, 0);
    }
    std::function<void()> inside;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        using namespace platform;
        switch (msg.message) {
            case WM_CREATE:
                Build();
                return 0;
            case WM_ERASEBKGND:
                if (auto* p = reinterpret_cast<Painter*>(msg.wParam)) Background(*p);
                return 1;
            case kMsgInside:
                if (inside) inside();
                if (HWND menu = GetFocus()) PostMessage(menu, WM_KEYDOWN, VK_ESCAPE);
                return 0;
            case WM_COMMAND:
                if (LOWORD(msg.wParam) == int(kIdSkin)) OpenMenu();
                if (LOWORD(msg.wParam) == int(kIdRequest)) ShowRequest();
                return 0;
            case WM_CLOSE:
                PostQuitMessage(0);
                return 0;
            default:
                return CWnd::OnMessage(msg);
        }
    }

  private:
    void Build() {
        using namespace platform;
        client::CSkinSettings& skin = *app_.GetSkinSettings();
        const int w = skin.GetButtonWidth(), h = skin.GetButtonHeight();
        const char* names[] = {"开始", "换桌", "离开", "皮肤", "请求"};
        const UINT ids[] = {1, 2, 3, kIdSkin, kIdRequest};
        for (int i = 0; i < 5; ++i) {
            auto& button = buttons_[size_t(i)];
            const int x = i < 3 ? 70 + i * (w + 6) : kWindowSize.cx - (5 - i) * (w + 6);
            button.Create(names[i], WS_VISIBLE | WS_TABSTOP, {x, 2, x + w, 2 + h}, this, ids[i]);
            button.SetColor(client::CSkinButton::kBackNormal,
                            skin.GetColor("CommColors", "WaitBarbg", 0xC8D0D4));
            button.SetColor(client::CSkinButton::kBackOver,
                            skin.GetColor("CommColors", "WaitBarfg", 0x404040));
            button.SetColor(client::CSkinButton::kTextOver, 0xFFFFFF);
        }
        buttons_[2].EnableWindow(false);
        gradient_.fill.SetColors({skin.GetColor("CommColors", "WaitBarfg", 0x404040),
                                  skin.GetColor("CommColors", "WaitBarbg", 0xC0C0C0), 0xFFFFFF});
        gradient_.CreateEx(0, "", WS_CHILD | WS_VISIBLE, kGradientRect, this, 20);
        faces_.SetFaceFolder(app_.GetHallDir() + "Share\\Image\\face\\");
        faces_.CreateEx(0, "", WS_CHILD | WS_VISIBLE, kFacePickerRect, this, 21);
        list_.Create(WS_VISIBLE | LVS_REPORT, kListRect, this, 22);
        list_.SetColumnSpec("用户名|0|90|昵称|0|80|级别|0|70|积分|1|70|银子|1|90");
        list_.SetupColumns();
        for (uint32_t id : {101u, 1001u}) {
            const client::PlayerRecord* p = app_.FindPlayer(id);
            const int row = list_.InsertItem(list_.GetItemCount(), p->userName);
            list_.SetItemText(row, 1, p->nickname);
            list_.SetItemText(row, 2, p->levelTitle);
            list_.SetItemText(row, 3, std::to_string(p->score));
            list_.SetItemText(row, 4, std::to_string(p->silver));
            list_.SetItemData(row, id);
        }
        list_.FlatHeader()->SetSortColumn(3, false);
    }

    void Background(platform::Painter& p) {
        client::CSkinSettings& skin = *app_.GetSkinSettings();
        auto& library = client::SkinLibrary::Instance();
        p.FillSolidRect(GetClientRect(), platform::GetSysColor(platform::COLOR_BTNFACE));
        const auto bar = library.GetBitmap("DlgBarBK");
        client::TileBitmap(p, {0, 0, kWindowSize.cx, 42}, bar.get(), 0x808080);
        const auto cloth = library.GetBitmap("TableCloth");
        client::TileBitmap(p, kClothRect, cloth.get(),
                           skin.GetColor("CommColors", "TableColor", 0x4000));
    }

    void OpenMenu() {
        const RECT r = GetWindowRect();
        app_.GetSkinSettings()->BuildSkinMenu(r.right - 10, r.top + 44, this);
    }

    client::CNoticePopupDlg* ShowRequest() {
        auto* popup = client::CSlidePopupDlg::Make<client::CNoticePopupDlg>(GetSafeHwnd());
        popup->SetRequestData(kRequesterId);
        popup->SetTextColour(0x808000);
        popup->SetBackColour(0x808000);
        popup->SetSize(client::ScaleX(160), client::ScaleY(80));
        popup->SetStaySeconds(30);
        popup->Show(client::kNoticePopupTemplate, nullptr, this);
        return popup;
    }

    friend class Gallery;
    GalleryApp& app_;
    std::array<client::CSkinButton, 5> buttons_;
    GradientView gradient_;
    client::CFacePickerWnd faces_;
    client::CDataListCtrl list_;
};

Gallery::Gallery(std::string hallDir, std::string systemDir) {
    platform::WritePrivateProfileString("SYSTEM", "ExePath", (hallDir + "GameHall.exe").c_str(),
                                        systemDir + "mirb.ini");
    setenv("QEVO_SYSTEM_DIR", systemDir.c_str(), 1);
    app_ = std::make_unique<GalleryApp>();
}

Gallery::~Gallery() {
    Close();
}

bool Gallery::Open(const std::string& skin) {
    Close();
    app_->GetSkinSettings()->SetSkinPath(platform::ProgramDir() + "skins\\" + skin + "\\skin.ini");
    app_->GetSkinSettings()->Load();
    frame_ = std::make_unique<Frame>(*app_);
    wait_ = std::make_unique<client::CWaitDlg>();
    if (!frame_->Make() || !wait_->CreateModeless(nullptr, false)) return false;
    wait_->LoadSkin(app_->GetSkinSettings()->GetSkinPath());
    wait_->MoveWindow(kWaitAt.x, kWaitAt.y, 320, 90);
    wait_->SetText("正在连接服务器...", 0);
    return true;
}

void Gallery::Close() {
    client::CSlidePopupDlg::DestroyAll();
    wait_.reset();
    frame_.reset();
    if (app_) app_->GetSkinSettings()->Unload();
}

platform::CWnd& Gallery::Window() {
    return *frame_;
}

uint32_t Gallery::WithSkinMenuOpen(const std::function<void()>& inside) {
    frame_->inside = inside;
    platform::PostMessage(frame_->GetSafeHwnd(), kMsgInside);
    const RECT r = frame_->GetWindowRect();
    const uint32_t chosen =
        app_->GetSkinSettings()->BuildSkinMenu(r.right - 10, r.top + 44, frame_.get());
    frame_->inside = nullptr;
    return chosen;
}

client::CNoticePopupDlg* Gallery::OpenNoticePopup() {
    return frame_->ShowRequest();
}

platform::Surface Gallery::Compose() const {
    const RECT area = frame_->GetWindowRect();
    platform::Surface out(area.Width(), area.Height());
    platform::Painter painter(out);
    std::vector<const platform::CWnd*> layers = {frame_.get(), wait_.get()};
    if (platform::CWnd* focus = platform::CWnd::FromHandle(platform::CWnd::GetFocus()))
        if (focus->GetTopLevel() != frame_.get() && focus->GetTopLevel() != wait_.get())
            layers.push_back(focus->GetTopLevel());
    for (const platform::CWnd* window : layers) {
        if (!window->IsWindowVisible() || !window->BackBuffer()) continue;
        const RECT r = window->GetWindowRect();
        painter.BitBlt(r.left - area.left, r.top - area.top, r.Width(), r.Height(),
                       *window->BackBuffer(), 0, 0);
    }
    return out;
}

}  // namespace gallery
