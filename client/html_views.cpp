#include "client/html_views.h"

#include <cstring>

#include "client/game_app.h"
#include "client/web_picture.h"
#include "platform/text.h"

namespace client {

bool CFixHtmlView::NavigatePost(const std::string& url, uint32_t, const char*, const char*,
                                const char* postData, size_t length) {
    if (!postData) return Navigate(url);
    return Navigate(url, std::string_view(postData, length ? length : std::strlen(postData)));
}

CHtmlCtrl::CHtmlCtrl() {
    SetPictureDecoder(DecodeWebPicture);
}

bool CHtmlCtrl::OnBeforeNavigate(const std::string& url) {
    constexpr std::string_view kApp = "app:";
    if (url.size() < kApp.size() ||
        !platform::GbkEqualsIgnoreCase(std::string_view(url).substr(0, kApp.size()), kApp))
        return true;
    OnAppLink(url.substr(kApp.size()));
    return false;
}

void CAdvertView::OnInitialUpdate() {
    auto html = MakeHtmlCtrl();
    if (!html->CreateFromStatic(kPlaceholderId, this)) return;
    // The pane may have been sized since the placeholder was made.
    html->MoveWindow(GetClientRect());
    html_ = std::move(html);
}

platform::LRESULT CAdvertView::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_CREATE:
            // The pane's template: one placeholder where the page goes.
            placeholder_.Create("", platform::WS_VISIBLE, GetClientRect(), this, kPlaceholderId);
            return 0;
        case platform::WM_SIZE:
            CGameFormView::OnMessage(msg);
            if (html_) html_->MoveWindow(GetClientRect());
            return 0;
        case kMsgTableEntered:
            // The address travels as the message's own string, freed with it.
            if (auto url = msg.payload.Take<std::string>(); url && html_) html_->NavigatePost(*url);
            return 0;
        case platform::WM_PAINT: {
            platform::PAINTSTRUCT ps;
            platform::Painter p = BeginPaint(ps);
            p.FillSolidRect(GetClientRect(), 0xFFFFFF);
            EndPaint(ps);
            return 0;
        }
        default:
            return CGameFormView::OnMessage(msg);
    }
}

}  // namespace client
