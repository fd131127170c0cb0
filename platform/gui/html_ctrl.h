#pragma once
// A web page as a control: HTML and CSS laid out by litehtml and drawn with
// our painter and fonts. Pages and their pictures come from memory, from
// files (file://) or over HTTP (HttpGet, on worker threads). Every
// navigation, including a click on a link, asks OnBeforeNavigate first, so
// a derived control can turn links of its own scheme into actions.
//
// Pictures (<img> and background images) are decoded by the decoder the
// owner sets: the picture formats live above the platform. Without one,
// pictures are neither fetched nor drawn. Style sheets (<link> and @import)
// come the same ways; one over HTTP lays the page out again when it comes.
// A page that came over HTTP reads no local files.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/gui/wnd.h"

namespace platform {

// Decodes a picture's bytes as fetched (`url` tells its file type) into
// pixels with straight alpha; an empty surface when it cannot. Called on the
// fetching thread.
using PictureDecoder = std::function<Surface(std::span<const uint8_t> bytes, std::string_view url)>;

// A relative reference made absolute against the address of its page.
std::string ResolveUrl(std::string_view base, std::string_view reference);

class CHtmlCtrl : public CWnd {
  public:
    static constexpr size_t kMaxPictures = 64;  // per page

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
    void SetPictureDecoder(PictureDecoder decoder) { decoder_ = std::move(decoder); }
    // Height of the laid-out page and the scroll offset.
    int DocumentHeight() const;
    int ScrollY() const { return scrollY_; }
    void ScrollTo(int y);
    // Whether the page or one of its pictures is still being fetched.
    bool Loading() const;

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

    // Lays out the page's source again (a style sheet came).
    void Build();
    void Render();
    void Paint();
    void PostClick(const std::string& url);
    // Starts `work` on a worker thread that `abort` can stop.
    void StartFetch(std::function<void(const std::atomic<bool>& abort)> work);
    void StopFetches();
    // Fetches a picture or a style sheet of the page; Container asks for them.
    void FetchPicture(const std::string& url);
    void FetchSheet(const std::string& url);

    std::unique_ptr<Container> container_;
    std::string url_;
    std::string source_;  // the page as UTF-8
    int scrollY_ = 0;
    uint32_t page_ = 0;  // counts the pages shown, so late pictures of old ones are dropped
    PictureDecoder decoder_;
    std::vector<std::shared_ptr<Fetch>> fetches_;
};

}  // namespace platform
