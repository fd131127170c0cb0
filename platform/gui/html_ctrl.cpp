#include "platform/gui/html_ctrl.h"

#include <litehtml.h>

#include <algorithm>
#include <optional>
#include <thread>

#include "platform/gui/sys_colors.h"
#include "platform/http_get.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr UINT WM_PRIVATE_PAGE = 0x039B;
constexpr size_t kMaxPage = 4 * 1024 * 1024;
constexpr size_t kMaxPicture = 4 * 1024 * 1024;
constexpr size_t kMaxSheet = 1024 * 1024;
// Style sheets a page may ask for, and imports one layout of it may make
// (a sheet that imports itself would go on for ever).
constexpr size_t kMaxSheets = 16;
constexpr int kMaxImports = 64;
// What a worker hands back (the message's wParam).
constexpr WPARAM kPageArrived = 0, kLinkClicked = 1, kPictureArrived = 2, kSheetArrived = 3;
constexpr int kLineStep = 20;

// Default element styles (our own, the few rules a page needs).
constexpr const char* kMasterCss = R"(
html, address, blockquote, body, dd, div, dl, dt, fieldset, form, frame, frameset, h1, h2, h3,
h4, h5, h6, noframes, ol, p, ul, center, dir, hr, menu, pre { display: block; }
li { display: list-item; }
head, script, style, title, link, meta { display: none; }
table { display: table; border-spacing: 2px; }
tr { display: table-row; }
thead { display: table-header-group; }
tbody { display: table-row-group; }
tfoot { display: table-footer-group; }
td, th { display: table-cell; padding: 1px; }
th { font-weight: bold; text-align: center; }
body { margin: 8px; }
h1 { font-size: 2em; margin: .67em 0; font-weight: bold; }
h2 { font-size: 1.5em; margin: .75em 0; font-weight: bold; }
h3 { font-size: 1.17em; margin: .83em 0; font-weight: bold; }
p, ul, ol, dl { margin: 1em 0; }
b, strong { font-weight: bold; }
i, em { font-style: italic; }
u { text-decoration: underline; }
center { text-align: center; }
ul, ol { padding-left: 40px; }
ul { list-style-type: disc; }
ol { list-style-type: decimal; }
a { color: #0000ee; text-decoration: underline; cursor: pointer; }
br { display: block; }
img { display: inline-block; }
pre { white-space: pre; font-family: monospace; }
)";

std::string Utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

// UTF-8 stays; anything else is taken as GBK.
std::string AsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return GbkToUtf8(text);
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return GbkToUtf8(text);
        }
        i += n;
    }
    return std::string(text);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

COLORREF ColorOfWeb(const litehtml::web_color& c) {
    return RGB(c.red, c.green, c.blue);
}

struct PageResult {
    std::string url;
    std::string body;
    bool ok = false;
};

struct PictureResult {
    uint32_t page = 0;
    std::string url;
    Surface pixels;
};

struct SheetResult {
    uint32_t page = 0;
    std::string url;
    std::string text;  // UTF-8; empty when it could not be had
};

// The painter blends premultiplied pixels.
std::shared_ptr<const Surface> Premultiplied(Surface pixels) {
    uint32_t* p = pixels.Data();
    for (size_t i = 0, n = size_t(pixels.Width()) * size_t(pixels.Height()); i < n; ++i) {
        const uint32_t a = p[i] >> 24;
        if (a == 255) continue;
        uint32_t out = a << 24;
        for (int shift = 0; shift < 24; shift += 8)
            out |= ((p[i] >> shift & 0xFF) * a / 255) << shift;
        p[i] = out;
    }
    return std::make_shared<const Surface>(std::move(pixels));
}

size_t SchemeEnd(std::string_view url) {
    for (size_t i = 0; i < url.size(); ++i) {
        const char c = url[i];
        if (c == ':') return i > 0 ? i : std::string_view::npos;
        const bool schemeChar =
            std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        if (!schemeChar) break;
    }
    return std::string_view::npos;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    if (reference.empty()) return std::string(base);
    const size_t baseScheme = SchemeEnd(base);
    if (SchemeEnd(reference) != std::string_view::npos || baseScheme == std::string_view::npos) {
        return std::string(reference);
    }
    if (reference.substr(0, 2) == "//")
        return std::string(base.substr(0, baseScheme + 1)) + std::string(reference);
    // The origin: scheme and authority ("file://" has an empty one).
    size_t pathStart = baseScheme + 1;
    if (base.substr(pathStart, 2) == "//")
        pathStart = std::min(base.find('/', pathStart + 2), base.size());
    if (reference[0] == '/') return std::string(base.substr(0, pathStart)) + std::string(reference);
    std::string_view path = base.substr(pathStart);
    path = path.substr(0, std::min(path.find_first_of("?#"), path.size()));
    const size_t slash = path.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? "/" : path.substr(0, slash + 1);
    return std::string(base.substr(0, pathStart)) + std::string(folder) + std::string(reference);
}

// A fetch on a worker thread; it can be told to stop.
struct CHtmlCtrl::Fetch {
    std::atomic<bool> abort{false};
    std::atomic<bool> done{false};
    std::thread worker;
};

class CHtmlCtrl::Container final : public litehtml::document_container {
  public:
    explicit Container(CHtmlCtrl& owner) : owner_(owner) {
        context_.load_master_stylesheet(kMasterCss);
    }

    litehtml::context& Context() { return context_; }
    litehtml::document::ptr document;
    Painter* painter = nullptr;
    std::string baseUrl;
    HCURSOR cursor = IDC_ARROW;
    // A page from the web reads no local files: not for pictures, style
    // sheets or links (a device or a pipe named by it could stall us).
    bool fromWeb = false;
    // Style sheets by absolute address; null while coming.
    std::map<std::string, std::optional<std::string>> sheets;
    int imports = 0;  // made by the layout being built

    bool MayLoad(std::string_view url) const { return !fromWeb || !StartsWithNoCase(url, "file:"); }

    litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                   litehtml::font_style italic, unsigned int decoration,
                                   litehtml::font_metrics* fm) override {
        std::string face = faceName ? faceName : "";
        face = face.substr(0, face.find(','));
        face.erase(std::remove(face.begin(), face.end(), '"'), face.end());
        face.erase(std::remove(face.begin(), face.end(), '\''), face.end());
        while (!face.empty() && face.front() == ' ')
            face.erase(face.begin());
        while (!face.empty() && face.back() == ' ')
            face.pop_back();
        if (face == "sans-serif" || face == "serif" || face == "monospace") face.clear();
        FontSpec spec{.face = face.empty() ? "宋体" : Utf8ToGbk(face),
                      .height = -std::clamp(size, 1, 300),
                      .weight = weight,
                      .italic = italic == litehtml::fontStyleItalic,
                      .underline = (decoration & litehtml::font_decoration_underline) != 0};
        fonts_.push_back(Font::Open(spec));
        const Font& font = *fonts_.back();
        if (fm) {
            fm->ascent = font.Ascent();
            fm->descent = font.Descent();
            fm->height = font.Height();
            fm->x_height = std::max(font.Ascent() / 2, 1);
            fm->draw_spaces = spec.underline;
        }
        return fonts_.size();
    }
    void delete_font(litehtml::uint_ptr) override {}
    const Font* FontOf(litehtml::uint_ptr handle) const {
        return handle >= 1 && handle <= fonts_.size() ? fonts_[handle - 1].get() : nullptr;
    }
    int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) override {
        const Font* font = FontOf(hFont);
        return font && text ? font->MeasureText(Utf8ToGbk(text)) : 0;
    }
    void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                   litehtml::web_color color, const litehtml::position& pos) override {
        auto* p = reinterpret_cast<Painter*>(hdc);
        const Font* font = FontOf(hFont);
        if (!p || !font || !text) return;
        p->SelectFont(Font::Open(font->Spec()));
        p->SetBkMode(TRANSPARENT);
        p->SetTextColor(ColorOfWeb(color));
        p->TextOut(pos.x, pos.y, Utf8ToGbk(text));
    }
    int pt_to_px(int pt) const override { return pt * 96 / 72; }
    int get_default_font_size() const override { return 12; }
    const litehtml::tchar_t* get_default_font_name() const override { return defaultFace_.c_str(); }
    void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override {
        auto* p = reinterpret_cast<Painter*>(hdc);
        if (!p) return;
        const litehtml::position& r = marker.pos;
        p->FillSolidRect({r.x, r.y, r.x + r.width, r.y + r.height}, ColorOfWeb(marker.color));
    }
    // Pictures of the page by absolute address; a null one is still coming
    // or could not be had.
    std::map<std::string, std::shared_ptr<const Surface>> pictures;

    std::string PictureUrl(const litehtml::tchar_t* src, const litehtml::tchar_t* base) const {
        return ResolveUrl(base && *base ? std::string_view(base) : baseUrl, src ? src : "");
    }
    void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* base, bool) override {
        if (!src || !*src) return;
        const std::string url = PictureUrl(src, base);
        if (!MayLoad(url) || pictures.count(url) || pictures.size() >= kMaxPictures) return;
        pictures[url] = nullptr;
        owner_.FetchPicture(url);
    }
    const Surface* PictureOf(const litehtml::tchar_t* src, const litehtml::tchar_t* base) const {
        const auto it = pictures.find(PictureUrl(src, base));
        return it != pictures.end() && it->second ? it->second.get() : nullptr;
    }
    void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* base,
                        litehtml::size& sz) override {
        const Surface* picture = PictureOf(src, base);
        sz.width = picture ? picture->Width() : 0;
        sz.height = picture ? picture->Height() : 0;
    }
    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override {
        auto* p = reinterpret_cast<Painter*>(hdc);
        if (!p) return;
        const litehtml::position& r = bg.clip_box;
        const RECT clip{r.x, r.y, r.x + r.width, r.y + r.height};
        if (bg.color.alpha != 0) p->FillSolidRect(clip, ColorOfWeb(bg.color));
        const Surface* picture =
            bg.image.empty() ? nullptr : PictureOf(bg.image.c_str(), bg.baseurl.c_str());
        const int w = bg.image_size.width, h = bg.image_size.height;
        if (!picture || w <= 0 || h <= 0) return;
        // Tiles from the picture's position, as the repeat says, over what
        // of the clip box can show (a small tile may repeat a long way).
        const RECT shown = IntersectRect(clip, p->ClipBox());
        if (IsRectEmpty(shown)) return;
        const bool repeatX = bg.repeat == litehtml::background_repeat_repeat ||
                             bg.repeat == litehtml::background_repeat_repeat_x;
        const bool repeatY = bg.repeat == litehtml::background_repeat_repeat ||
                             bg.repeat == litehtml::background_repeat_repeat_y;
        auto first = [](int at, int low, int step) {
            return at > low ? at - (at - low + step - 1) / step * step
                            : at + (low - at) / step * step;
        };
        const int x0 = repeatX ? first(bg.position_x, shown.left, w) : bg.position_x;
        const int y0 = repeatY ? first(bg.position_y, shown.top, h) : bg.position_y;
        const int x1 = repeatX ? shown.right : x0 + 1, y1 = repeatY ? shown.bottom : y0 + 1;
        p->SaveState();
        p->IntersectClipRect(clip);
        for (int y = y0; y < y1; y += h) {
            for (int x = x0; x < x1; x += w)
                p->AlphaBlend({x, y, x + w, y + h}, *picture, picture->Bounds(), 255, true);
        }
        p->RestoreState(-1);
    }
    void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b,
                      const litehtml::position& r, bool) override {
        auto* p = reinterpret_cast<Painter*>(hdc);
        if (!p) return;
        const int left = r.x, top = r.y, right = r.x + r.width, bottom = r.y + r.height;
        if (b.top.width > 0) {
            p->FillSolidRect({left, top, right, top + b.top.width}, ColorOfWeb(b.top.color));
        }
        if (b.bottom.width > 0) {
            p->FillSolidRect({left, bottom - b.bottom.width, right, bottom},
                             ColorOfWeb(b.bottom.color));
        }
        if (b.left.width > 0) {
            p->FillSolidRect({left, top, left + b.left.width, bottom}, ColorOfWeb(b.left.color));
        }
        if (b.right.width > 0) {
            p->FillSolidRect({right - b.right.width, top, right, bottom},
                             ColorOfWeb(b.right.color));
        }
    }
    void set_caption(const litehtml::tchar_t*) override {}
    void set_base_url(const litehtml::tchar_t* base) override {
        if (base) baseUrl = base;
    }
    void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
    void on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr&) override {
        if (!url) return;
        const std::string target = ResolveUrl(baseUrl, url);
        // Navigation replaces the document: done after this callback returns.
        if (MayLoad(target)) owner_.PostClick(target);
    }
    void set_cursor(const litehtml::tchar_t* name) override {
        cursor = name && std::string_view(name) == "pointer" ? IDC_HAND : IDC_ARROW;
    }
    void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override {
        for (char& c : text) {
            if (tt == litehtml::text_transform_uppercase)
                c = char(std::toupper(static_cast<unsigned char>(c)));
            if (tt == litehtml::text_transform_lowercase)
                c = char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    void import_css(litehtml::tstring& text, const litehtml::tstring& href,
                    litehtml::tstring& base) override {
        const std::string url = ResolveUrl(base.empty() ? baseUrl : base, href);
        base = url;  // what the sheet refers to is relative to the sheet
        if (++imports > kMaxImports || !MayLoad(url)) return;
        if (const auto it = sheets.find(url); it != sheets.end()) {
            if (it->second) text = *it->second;
            return;
        }
        if (sheets.size() >= kMaxSheets) return;
        if (StartsWithNoCase(url, "file://")) {
            const auto bytes = ReadFileBytes(url.substr(7), kMaxSheet);
            text = bytes ? AsUtf8({reinterpret_cast<const char*>(bytes->data()), bytes->size()})
                         : std::string();
            sheets[url] = text;
        } else if (StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://")) {
            sheets[url] = std::nullopt;
            owner_.FetchSheet(url);
        }
    }
    void set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool,
                  bool) override {
        if (!painter) return;
        painter->SaveState();
        painter->IntersectClipRect({pos.x, pos.y, pos.x + pos.width, pos.y + pos.height});
        ++clips_;
    }
    void del_clip() override {
        if (painter && clips_ > 0) {
            painter->RestoreState(-1);
            --clips_;
        }
    }
    void get_client_rect(litehtml::position& client) const override {
        const RECT r = owner_.GetClientRect();
        client.x = 0;
        client.y = 0;
        client.width = r.Width();
        client.height = r.Height();
    }
    std::shared_ptr<litehtml::element> create_element(
        const litehtml::tchar_t*, const litehtml::string_map&,
        const std::shared_ptr<litehtml::document>&) override {
        return nullptr;
    }
    void get_media_features(litehtml::media_features& media) const override {
        const RECT r = owner_.GetClientRect();
        const RECT screen = GetDisplay()->WorkArea();
        media.type = litehtml::media_type_screen;
        media.width = r.Width();
        media.height = r.Height();
        media.device_width = screen.Width();
        media.device_height = screen.Height();
        media.color = 8;
        media.monochrome = 0;
        media.color_index = 256;
        media.resolution = 96;
    }
    void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
        language = "zh";
        culture = "CN";
    }

  private:
    CHtmlCtrl& owner_;
    litehtml::context context_;
    std::vector<std::shared_ptr<const Font>> fonts_;
    std::string defaultFace_ = Utf8(u8"宋体");
    int clips_ = 0;
};

CHtmlCtrl::CHtmlCtrl() : container_(std::make_unique<Container>(*this)) {
    SetClassBackground(RGB(255, 255, 255));
}

CHtmlCtrl::~CHtmlCtrl() {
    StopFetches();
    for (auto& fetch : fetches_)
        fetch->worker.join();
    Destroy();
}

void CHtmlCtrl::StartFetch(std::function<void(const std::atomic<bool>& abort)> work) {
    std::erase_if(fetches_, [](const std::shared_ptr<Fetch>& f) {
        if (!f->done) return false;
        f->worker.join();
        return true;
    });
    auto fetch = std::make_shared<Fetch>();
    fetch->worker = std::thread([fetch, work = std::move(work)] {
        work(fetch->abort);
        fetch->done = true;
    });
    fetches_.push_back(std::move(fetch));
}

bool CHtmlCtrl::Loading() const {
    return std::any_of(fetches_.begin(), fetches_.end(),
                       [](const std::shared_ptr<Fetch>& f) { return !f->done; });
}

void CHtmlCtrl::StopFetches() {
    for (auto& fetch : fetches_)
        fetch->abort = true;
}

void CHtmlCtrl::FetchPicture(const std::string& url) {
    if (!decoder_) return;
    if (StartsWithNoCase(url, "file://")) {
        if (const auto bytes = ReadFileBytes(url.substr(7), kMaxPicture)) {
            Surface pixels = decoder_(*bytes, url);
            if (!pixels.Empty()) container_->pictures[url] = Premultiplied(std::move(pixels));
        }
        return;
    }
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return;
    StartFetch([self = GetSafeHwnd(), page = page_, url,
                decoder = decoder_](const std::atomic<bool>& abort) {
        const HttpResult got = HttpGet(url, {.maxBytes = kMaxPicture, .abort = &abort});
        if (!got.ok() || abort) return;
        PictureResult result{
            page, url,
            decoder(std::span(reinterpret_cast<const uint8_t*>(got.body.data()), got.body.size()),
                    url)};
        if (result.pixels.Empty() || abort) return;
        PostMessage(self, WM_PRIVATE_PAGE, kPictureArrived, 0,
                    Payload::Make<PictureResult>(std::move(result)));
    });
}

bool CHtmlCtrl::CreateFromStatic(UINT id, CWnd* parent) {
    if (!parent) return false;
    CWnd* placeholder = parent->GetDlgItem(id);
    if (!placeholder) return false;
    const RECT rect = placeholder->GetRectInParent();
    placeholder->DestroyWindow();
    return Create(WS_VISIBLE, rect, parent, id);
}

void CHtmlCtrl::SetHtml(std::string_view html, std::string_view baseUrl) {
    ++page_;
    container_->pictures.clear();
    container_->sheets.clear();
    url_ = std::string(baseUrl);
    container_->fromWeb = StartsWithNoCase(url_, "http://") || StartsWithNoCase(url_, "https://");
    source_ = AsUtf8(html.substr(0, std::min(html.size(), kMaxPage)));
    scrollY_ = 0;
    Build();
    OnDocumentComplete(url_);
}

void CHtmlCtrl::Build() {
    container_->baseUrl = url_;
    container_->imports = 0;
    container_->document =
        litehtml::document::createFromUTF8(source_.c_str(), container_.get(), &container_->Context());
    Render();
}

void CHtmlCtrl::FetchSheet(const std::string& url) {
    StartFetch([self = GetSafeHwnd(), page = page_, url](const std::atomic<bool>& abort) {
        const HttpResult got = HttpGet(url, {.maxBytes = kMaxSheet, .abort = &abort});
        if (abort) return;
        PostMessage(self, WM_PRIVATE_PAGE, kSheetArrived, 0,
                    Payload::Make<SheetResult>(
                        SheetResult{page, url, got.ok() ? AsUtf8(got.body) : std::string()}));
    });
}

void CHtmlCtrl::PostClick(const std::string& url) {
    PostMessage(GetSafeHwnd(), WM_PRIVATE_PAGE, kLinkClicked, 0,
                Payload::Make<PageResult>(PageResult{url, {}, true}));
}

bool CHtmlCtrl::Navigate(std::string_view url, std::string_view postData) {
    const std::string target(url);
    if (!OnBeforeNavigate(target)) return false;
    if (StartsWithNoCase(target, "file://")) {
        const auto body = ReadFileBytes(target.substr(7), kMaxPage);
        if (!body) return false;
        SetHtml({reinterpret_cast<const char*>(body->data()), body->size()}, target);
        return true;
    }
    if (!StartsWithNoCase(target, "http://") && !StartsWithNoCase(target, "https://")) {
        return false;
    }
    StopFetches();  // the page that was coming, and the pictures of the one shown
    HttpOptions options{.maxBytes = kMaxPage};
    if (!postData.empty()) options.postData = std::string(postData);
    StartFetch([self = GetSafeHwnd(), target, options](const std::atomic<bool>& abort) mutable {
        options.abort = &abort;
        HttpResult got = HttpGet(target, options);
        if (abort) return;
        // After a redirect the page's own references are relative to where it came from.
        PostMessage(self, WM_PRIVATE_PAGE, kPageArrived, 0,
                    Payload::Make<PageResult>(
                        PageResult{std::move(got.url), std::move(got.body), got.ok()}));
    });
    return true;
}

void CHtmlCtrl::Render() {
    if (container_->document) container_->document->render(std::max(GetClientRect().Width(), 1));
    Invalidate();
}

int CHtmlCtrl::DocumentHeight() const {
    return container_->document ? container_->document->height() : 0;
}

void CHtmlCtrl::ScrollTo(int y) {
    const int most = std::max(DocumentHeight() - GetClientRect().Height(), 0);
    y = std::clamp(y, 0, most);
    if (y != scrollY_) {
        scrollY_ = y;
        Invalidate();
    }
}

void CHtmlCtrl::Paint() {
    PAINTSTRUCT ps;
    Painter p = BeginPaint(ps);
    p.FillSolidRect(GetClientRect(), RGB(255, 255, 255));
    if (container_->document) {
        container_->painter = &p;
        const RECT clip = GetClientRect();
        litehtml::position where(clip.left, clip.top + scrollY_, clip.Width(), clip.Height());
        container_->document->draw(reinterpret_cast<litehtml::uint_ptr>(&p), 0, -scrollY_, &where);
        container_->painter = nullptr;
    }
    EndPaint(ps);
}

LRESULT CHtmlCtrl::OnMessage(Message& msg) {
    const int x = GET_X_LPARAM(msg.lParam), y = GET_Y_LPARAM(msg.lParam);
    litehtml::position::vector redraw;
    switch (msg.message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            Render();
            return CWnd::OnMessage(msg);
        case WM_PRIVATE_PAGE: {
            if (msg.wParam == kSheetArrived) {
                auto sheet = msg.payload.Take<SheetResult>();
                if (!sheet || sheet->page != page_) return 0;  // of an earlier page
                container_->sheets[sheet->url] = std::move(sheet->text);
                Build();  // styles can change everything; what was fetched stays
                return 0;
            }
            if (msg.wParam == kPictureArrived) {
                auto picture = msg.payload.Take<PictureResult>();
                if (!picture || picture->page != page_) return 0;  // of an earlier page
                container_->pictures[picture->url] = Premultiplied(std::move(picture->pixels));
                Render();  // the picture's size can move what follows it
                return 0;
            }
            auto page = msg.payload.Take<PageResult>();
            if (!page) return 0;
            if (msg.wParam == kLinkClicked) {
                Navigate(page->url);
            } else if (page->ok) {
                SetHtml(page->body, page->url);
            }
            return 0;
        }
        case WM_MOUSEMOVE:
            if (container_->document &&
                container_->document->on_mouse_over(x, y + scrollY_, x, y, redraw)) {
                Invalidate();
            }
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus();
            if (container_->document &&
                container_->document->on_lbutton_down(x, y + scrollY_, x, y, redraw)) {
                Invalidate();
            }
            return 0;
        case WM_LBUTTONUP:
            if (container_->document &&
                container_->document->on_lbutton_up(x, y + scrollY_, x, y, redraw)) {
                Invalidate();
            }
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(uintptr_t(msg.lParam)) == HTCLIENT) {
                platform::SetCursor(container_->cursor);
                return 1;
            }
            return CWnd::OnMessage(msg);
        case WM_MOUSEWHEEL:
            ScrollTo(scrollY_ - 3 * kLineStep * GET_WHEEL_DELTA_WPARAM(msg.wParam) / WHEEL_DELTA);
            return 0;
        case WM_DESTROY:
            StopFetches();
            return CWnd::OnMessage(msg);
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
