#pragma once
// The client's web panes. CFixHtmlView is the HTML view with a navigation
// that can post data; CHtmlCtrl is that view as an ordinary child control
// that keeps links of the form "app:xyz" for the program (OnAppLink gets
// "xyz"); CAdvertView is the advert pane, one CHtmlCtrl over its client
// area, sent to the advert page once the table is entered (0x8164 carrying
// the address).

#include <cstddef>
#include <memory>
#include <string>

#include "client/game_view.h"
#include "platform/gui/html_ctrl.h"
#include "platform/gui/static_control.h"

namespace client {

class CFixHtmlView : public platform::CHtmlCtrl {
  public:
    ~CFixHtmlView() override { Destroy(); }
    // Navigates to `url`; with `postData` the page is asked for with a
    // POST of `length` bytes of it (the string's length when 0). Flags,
    // target frame and headers have no use here.
    bool NavigatePost(const std::string& url, uint32_t flags = 0, const char* target = nullptr,
                      const char* headers = nullptr, const char* postData = nullptr,
                      size_t length = 0);
};

class CHtmlCtrl : public CFixHtmlView {
  public:
    CHtmlCtrl();
    ~CHtmlCtrl() override { Destroy(); }

  protected:
    bool OnBeforeNavigate(const std::string& url) override;
    // What follows "app:" in a link the page asked for.
    virtual void OnAppLink(const std::string& link) { (void)link; }
};

class CAdvertView : public CGameFormView {
  public:
    static constexpr platform::UINT kPlaceholderId = 135;

    CAdvertView() = default;
    ~CAdvertView() override { Destroy(); }
    static std::unique_ptr<CAdvertView> CreateObject() { return std::make_unique<CAdvertView>(); }

    void OnInitialUpdate() override;
    // Null until the initial update replaced the placeholder.
    CHtmlCtrl* Html() { return html_ ? html_.get() : nullptr; }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    // The control that replaces the placeholder.
    virtual std::unique_ptr<CHtmlCtrl> MakeHtmlCtrl() { return std::make_unique<CHtmlCtrl>(); }

  private:
    platform::CStatic placeholder_;
    std::unique_ptr<CHtmlCtrl> html_;
};

}  // namespace client
