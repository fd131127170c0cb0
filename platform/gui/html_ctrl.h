#pragma once
// A web page as a control: HTML and CSS laid out by litehtml and drawn with
// our painter and fonts. Pages come from memory, from files (file://) or
// over HTTP (libcurl, on a worker thread). Every navigation, including a
// click on a link, asks OnBeforeNavigate first, so a derived control can
// turn links of its own scheme into actions.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/wnd.h"

namespace platform {

class CHtmlCtrl : public CWnd {
  public:
    CHtmlCtrl();
    ~CHtmlCtrl() override;

    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, "", style | WS_CHILD, rect, parent, id);
    }
    // Takes the place of the child `id` of `parent` (a placeholder), with
    // its rectangle and id; false when there is no such child.
    bool CreateFromStatic(UINT id, CWnd* parent);

    // Shows a page held in memory; GBK pages are recognised and converted.
    void SetHtml(std::string_view html, std::string_view baseUrl = {});
    // Loads file:// pages at once and http(s):// pages in the background;
    // `postData` makes an HTTP POST. Answers false when refused or unknown.
    bool Navigate(std::string_view url, std::string_view postData = {});
    const std::string& LocationUrl() const { return url_; }
    // Height of the laid-out page and the scroll offset.
    int DocumentHeight() const;
    int ScrollY() const { return scrollY_; }
    void ScrollTo(int y);

  protected:
    // False cancels the navigation.
    virtual bool OnBeforeNavigate(const std::string& url) {
        (void)url;
        return true;
    }
    virtual void OnDocumentComplete(const std::string& url) { (void)url; }
    LRESULT OnMessage(Message& msg) override;

  private:
    class Container;
    struct Fetch;

    void Render();
    void Paint();
    void PostClick(const std::string& url);

    std::unique_ptr<Container> container_;
    std::string url_;
    int scrollY_ = 0;
    std::vector<std::shared_ptr<Fetch>> fetches_;
};

}  // namespace platform
