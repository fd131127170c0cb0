#include "client/chat_view.h"

#include <cstdio>
#include <fstream>
#include <string_view>

#include "client/chat_markup.h"
#include "client/client_utils.h"
#include "client/game_app.h"
#include "client/game_frame.h"
#include "client/game_session.h"
#include "client/player_view.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/wait_cursor.h"
#include "platform/message_queue.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace client {
namespace {

constexpr platform::DWORD kInputStyle = 0x40200442;  // child, vscroll, drop-down, auto-scroll
constexpr platform::DWORD kPickerStyle = platform::WS_POPUP | platform::WS_BORDER;

// The name to show for a record: its user's display name, else its own.
std::string NameOf(const PlayerRecord& record) {
    const CGameApp* app = CGameApp::Current();
    std::string name = app ? app->GetUserDisplayName(record.userId) : std::string();
    return name.empty() ? DisplayName(record) : name;
}

std::string NameOf(uint32_t userId) {
    const CGameApp* app = CGameApp::Current();
    return app ? app->GetUserDisplayName(userId) : std::string();
}

}  // namespace

CGameChatView::CGameChatView() = default;

CGameChatView::~CGameChatView() {
    picker_.reset();
    Destroy();
}

std::string CGameChatView::WordsColorTag(uint32_t userId) {
    const CGameApp* app = CGameApp::Current();
    if (app && app->IsPlayerFlag1000(userId)) return "<c=255,e=b,s=300>";
    return "<c=" + std::to_string(kWordsColor) + ">";
}

bool CGameChatView::TooSoon() const {
    return sent_ && platform::GetTickCount() - lastSend_ < kSendIntervalMs;
}

void CGameChatView::Append(const std::string& markup) {
    platform::SendMessage(GetSafeHwnd(), kMsgAppendChat,
                          reinterpret_cast<platform::WPARAM>(markup.c_str()));
}

void CGameChatView::OnSend() {
    const std::string typed = input_.GetWindowText();
    const std::string words(platform::GbkPrefix(typed, kMaxWordsBytes));
    if (words.empty() || TooSoon()) return;
    CGameApp* app = GetGameApp();
    if (app && app->GetConnection()) app->GetConnection()->SendChat(words);
    Append(" 我说: " + WordsColorTag(app ? app->GetUserId() : 0) + words + "<>\r\n");
    input_.SetWindowText("");
    input_.AddString(words);
    lastSend_ = platform::GetTickCount();
    sent_ = true;
}

void CGameChatView::SendFace(int face) {
    if (TooSoon()) return;
    const std::string markup = "<><z=" + std::to_string(face) + ">";
    CGameApp* app = GetGameApp();
    if (app && app->GetConnection()) app->GetConnection()->SendChat(markup);
    Append(" 我说：" + markup + "\n");
    lastSend_ = platform::GetTickCount();
    sent_ = true;
}

void CGameChatView::AppendSystemText(const std::string& markup) {
    SetMaxCharSize(kSystemMaxTwips);
    SetLinksEnabled(true);
    Append(markup);
    SetLinksEnabled(false);
    SetMaxCharSize(kPlainMaxTwips);
}

void CGameChatView::ShowLookerEntered(const PlayerRecord& record) {
    if (record.flags & 0x1000) return;
    Append(" <c=" + std::to_string(kLookerColor) + ">" + NameOf(record) + "进入旁观 \n");
}

void CGameChatView::ShowLookerLeft(const PlayerRecord& record) {
    if (record.flags & 0x1000) return;
    Append(" <c=" + std::to_string(kLookerColor) + ">" + NameOf(record) + "退出旁观 \n");
}

void CGameChatView::OnChatWords(std::span<const uint8_t> payload) {
    if (payload.size() < 4) return;
    const uint32_t sender = platform::LoadLE32(payload.data());
    // A client sends at most 79 bytes of words; a peer's longer ones are cut.
    const std::string words = ReceivedChatWords(payload);
    Append(" " + NameOf(sender) + "说: " + WordsColorTag(sender) +
           std::string(platform::GbkPrefix(words, kMaxReceivedWordsBytes)) + "\n");
}

void CGameChatView::OnCall(std::span<const uint8_t> payload) {
    if (payload.size() < 20) return;
    const uint32_t caller = platform::LoadLE32(payload.data());
    const uint32_t called = platform::LoadLE32(payload.data() + 16);
    Append(" " + NameOf(caller) + "呼叫 <c=" + std::to_string(kCallColor) + ">" + NameOf(called) +
           "\n");
}

void CGameChatView::SetFaceButtonIcon(int iconId) {
    faceButton_.SetIconResource(iconId, 0);
}

void CGameChatView::SetFaceFolder(const std::string& folder) {
    if (picker_) picker_->SetFaceFolder(folder);
    faceFolder_ = folder;
    chat_.SetFaceFolder(folder);
}

void CGameChatView::LoadPhrases(const std::string& path) {
    std::ifstream in(platform::ResolvePath(path), std::ios::binary);
    if (!in) return;
    std::string line;
    while (std::getline(in, line)) {
        // Read as text: a line ends at its line feed, a CR before it goes.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A line longer than an entry goes on in further entries, each cut
        // between characters.
        std::string_view rest = line;
        do {
            std::string entry(platform::GbkPrefix(rest, kMaxPhraseBytes));
            rest.remove_prefix(entry.size());
            input_.AddString(TrimSpaces(entry));
        } while (!rest.empty());
    }
}

void CGameChatView::SetLinksEnabled(bool on) {
    chat_.SetLinksAllowed(on);
    const platform::LRESULT mask =
        platform::SendMessage(chat_.GetSafeHwnd(), platform::EM_GETEVENTMASK);
    platform::SendMessage(chat_.GetSafeHwnd(), platform::EM_SETEVENTMASK, 0,
                          platform::LPARAM(mask | platform::ENM_LINK));
    chat_.SetAutoUrlDetect(on);
}

void CGameChatView::ShowFaceButton(bool show) {
    faceButtonShown_ = show;
    const platform::RECT client = GetClientRect();
    Layout(client.right, client.bottom);
}

void CGameChatView::CreatePaneFont() {
    paneFont_ = platform::DefaultGuiFont();
}

void CGameChatView::CreateInputBox() {
    input_.Create(kInputStyle & ~platform::WS_VISIBLE, {0, 0, 100, kInputDropHeight}, this,
                  kInputId);
}

void CGameChatView::CreateFaceButton() {
    faceButton_.Create("", platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, 20, 20}, this,
                       kFaceButtonId);
}

void CGameChatView::OnInitialUpdate() {
    CreatePaneFont();
    CreateFaceButton();
    CreateInputBox();
    platform::SendMessage(chat_.GetSafeHwnd(), platform::EM_SETREADONLY, 1);
    chat_.SetMaxCharSize(kPlainMaxTwips);
    chat_.SetDefaultFont();
    chat_.SetLinksAllowed(false);
    input_.SetFont(paneFont_);
    faceButton_.SetFont(paneFont_);
    input_.SetFocus();
    if (CGameApp* app = GetGameApp()) SetFaceFolder(app->GetHallDir() + "Share\\Image\\face\\");
    const platform::RECT client = GetClientRect();
    Layout(client.right, client.bottom);
}

void CGameChatView::Welcome() {
    input_.ShowWindow(platform::SW_SHOW);
    CGameApp* app = GetGameApp();
    if (!app) return;
    char text[512];
    std::snprintf(text, sizeof(text), " 欢迎来到<s=180,c=%u,e=b>%s\n<> 您的位置： %s 第%d桌\r\n",
                  kWelcomeColor, app->GetRoomName().c_str(), app->GetZoneName().c_str(),
                  app->GetTableNo() + 1);
    Append(text);
    if (auto* frame = dynamic_cast<CGameFrameWnd*>(GetTopLevel())) frame->DownloadNotify();
}

void CGameChatView::OpenFacePicker() {
    if (!picker_) {
        const platform::CWaitCursor busy;
        picker_ = std::make_unique<CFacePickerWnd>();
        picker_->SetFaceFolder(faceFolder_);
        picker_->SetNotifyWindow(this);
        if (!picker_->CreateEx(platform::WS_EX_TOOLWINDOW, "", kPickerStyle, {0, 0, 0, 0}, this,
                               0)) {
            picker_.reset();
            return;
        }
    }
    int width = 0, height = 0;
    picker_->GetSize(width, height);
    const platform::RECT button = faceButton_.GetWindowRect();
    picker_->MoveWindow(button.right - width, button.top - height, width, height);
    picker_->ShowWindow(platform::SW_SHOW);
    picker_->SetFocus();
}

platform::LRESULT CGameChatView::OnLink(const platform::ENLINK& link) {
    if (link.msg == platform::WM_LBUTTONUP) return 1;
    if (link.msg != platform::WM_LBUTTONDOWN) return 0;
    const platform::CHARRANGE saved = chat_.GetSel();
    chat_.SetSel(link.chrg.cpMin, link.chrg.cpMax);
    const std::string text = chat_.GetTextRange(size_t(std::max(link.chrg.cpMin, 0)),
                                                size_t(std::max(link.chrg.cpMax, 0)));
    chat_.SetSel(saved.cpMin, saved.cpMax);
    platform::SendMessage(GetSafeHwnd(), kMsgChatLink,
                          reinterpret_cast<platform::WPARAM>(text.c_str()));
    return 1;
}

void CGameChatView::Layout(int cx, int cy) {
    if (cx == 0 || cy == 0 || !input_.GetSafeHwnd() || !chat_.GetSafeHwnd() ||
        !faceButton_.GetSafeHwnd())
        return;
    int h = input_.GetRectInParent().Height();
    if (h == 0) h = 20;
    chat_.MoveWindow(0, 0, cx, std::max(cy - h, 0));
    if (faceButtonShown_) {
        input_.MoveWindow(0, cy - h, std::max(cx - h, 0), h);
        faceButton_.MoveWindow(cx - h, cy - h, h, h);
    } else {
        input_.MoveWindow(0, cy - h, cx, h);
        faceButton_.MoveWindow(cx, cy, 0, 0);
    }
}

platform::LRESULT CGameChatView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE:
            if (!chat_.Create(platform::WS_CHILD | platform::WS_VISIBLE | platform::WS_VSCROLL,
                              GetClientRect(), this, kChatId))
                return -1;
            return 0;
        case kMsgAppendChat:
            if (msg.wParam) chat_.AppendMarkup(reinterpret_cast<const char*>(msg.wParam));
            return 0;
        case kMsgAddressPlayer:
            if (msg.wParam) input_.SetWindowText(reinterpret_cast<const char*>(msg.wParam));
            return 0;
        case kMsgFacePicked:
            SendFace(int(msg.wParam));
            return 0;
        case kMsgChatLink:
            if (msg.wParam && GetGameApp())
                GetGameApp()->OpenUrl(reinterpret_cast<const char*>(msg.wParam));
            return 0;
        case kMsgClearChat:
            platform::SendMessage(chat_.GetSafeHwnd(), platform::EM_SETREADONLY, 0);
            chat_.SetSel(0, -1);
            platform::SendMessage(chat_.GetSafeHwnd(), platform::WM_CLEAR);
            platform::SendMessage(chat_.GetSafeHwnd(), platform::EM_SETREADONLY, 1);
            return 0;
        case kMsgTableEntered:
            Welcome();
            return 0;
        case platform::WM_COMMAND:
            if (platform::HIWORD(msg.wParam) == 0) {
                if (platform::LOWORD(msg.wParam) == int(kInputId)) OnSend();
                if (platform::LOWORD(msg.wParam) == int(kFaceButtonId)) OpenFacePicker();
            }
            return 0;
        case platform::WM_NOTIFY: {
            const auto* header = reinterpret_cast<const platform::NMHDR*>(msg.lParam);
            if (header && header->idFrom == kChatId && header->code == platform::EN_LINK)
                return OnLink(*reinterpret_cast<const platform::ENLINK*>(header));
            return 0;
        }
        case platform::WM_SIZE:
            CGameFormView::OnMessage(msg);
            Layout(platform::LOWORD(uintptr_t(msg.lParam)),
                   platform::HIWORD(uintptr_t(msg.lParam)));
            return 0;
        case platform::WM_ERASEBKGND:
            if (auto* painter = reinterpret_cast<platform::Painter*>(msg.wParam))
                painter->FillSolidRect(GetClientRect(), 0xFFFFFF);
            return 1;
        default:
            return CGameFormView::OnMessage(msg);
    }
}

}  // namespace client
