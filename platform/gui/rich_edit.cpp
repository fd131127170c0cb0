#include "platform/gui/rich_edit.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/sys_colors.h"
#include "platform/gui/url_detect.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr int kMargin = 2;
constexpr int kScrollBar = 16;
constexpr int kLineStep = 16;
constexpr COLORREF kAutoLinkColor = RGB(0, 0, 255);

FontSpec SpecOf(const CHARFORMAT& cf) {
    FontSpec spec;
    spec.face = cf.Face();
    spec.height = -std::max(1, int(cf.yHeight) / 15);  // twips at 96 dots per inch
    spec.weight = (cf.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    spec.italic = (cf.dwEffects & CFE_ITALIC) != 0;
    spec.underline = (cf.dwEffects & (CFE_UNDERLINE | CFE_LINK)) != 0;
    spec.charset = cf.bCharSet;
    return spec;
}

// What tells formats apart, as a key of the format index.
std::string KeyOf(const CHARFORMAT& cf) {
    std::string key;
    for (uint32_t word : {uint32_t(cf.dwEffects), uint32_t(cf.yHeight), uint32_t(cf.crTextColor),
                          uint32_t(cf.yOffset), uint32_t(cf.bCharSet)}) {
        key.append(reinterpret_cast<const char*>(&word), sizeof word);
    }
    return key + cf.Face();
}

}  // namespace

std::string CHARFORMAT::Face() const {
    return std::string(szFaceName.data(), strnlen(szFaceName.data(), szFaceName.size()));
}

void CHARFORMAT::SetFace(std::string_view face) {
    szFaceName.fill('\0');
    const std::string_view kept = GbkPrefix(face, szFaceName.size() - 1);
    std::copy(kept.begin(), kept.end(), szFaceName.begin());
}

CRichEditCtrl::CRichEditCtrl() {
    CHARFORMAT cf;
    cf.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC |
                CFM_UNDERLINE | CFM_LINK;
    cf.yHeight = 180;
    cf.bCharSet = GB2312_CHARSET;
    cf.SetFace("宋体");
    SetFormat(0, cf);
}

void CRichEditCtrl::SetFormat(size_t index, const CHARFORMAT& cf) {
    if (index == formats_.size()) formats_.emplace_back();
    if (const auto it = formatIndex_.find(KeyOf(formats_[index].cf));
        it != formatIndex_.end() && it->second == int(index)) {
        formatIndex_.erase(it);
    }
    formats_[index] = {cf, Font::Open(SpecOf(cf))};
    formatIndex_.emplace(KeyOf(cf), int(index));
}

int CRichEditCtrl::AddFormat(const CHARFORMAT& cf) {
    if (const auto it = formatIndex_.find(KeyOf(cf)); it != formatIndex_.end()) return it->second;
    // Formats are few in practice; an unbounded stream of distinct ones
    // (untrusted markup) is folded into the newest slot, whose characters
    // then need laying out again.
    if (formats_.size() >= 4096) {
        SetFormat(formats_.size() - 1, cf);
        dirtyFrom_ = 0;
        return int(formats_.size() - 1);
    }
    SetFormat(formats_.size(), cf);
    return int(formats_.size() - 1);
}

// Automatic links show underlined in the link colour.
int CRichEditCtrl::LinkFormatOf(int format) {
    CHARFORMAT cf = formats_[size_t(format)].cf;
    cf.dwEffects = (cf.dwEffects | CFE_LINK) & ~CFE_AUTOCOLOR;
    cf.crTextColor = kAutoLinkColor;
    return AddFormat(cf);
}

CHARFORMAT CRichEditCtrl::GetDefaultCharFormat() const {
    return formats_[0].cf;
}

CHARFORMAT CRichEditCtrl::FormatAt(size_t position) {
    FindPendingUrls();
    if (position >= chars_.size()) return formats_[0].cf;
    const Char& c = chars_[position];
    CHARFORMAT cf = formats_[size_t(c.format)].cf;
    if (c.linkFormat >= 0) cf.dwEffects |= CFE_LINK;
    return cf;
}

bool CRichEditCtrl::IsPicture(size_t position) const {
    return position < chars_.size() && chars_[position].picture != nullptr;
}

void CRichEditCtrl::SetSel(LONG start, LONG end) {
    const LONG length = LONG(chars_.size());
    if (start < 0) {
        anchor_ = caret_;  // -1 removes the selection
    } else {
        anchor_ = size_t(std::min(start, length));
        caret_ = size_t(end < 0 ? length : std::min(end, length));
    }
    Invalidate();
}

size_t CRichEditCtrl::ParagraphStart(size_t position) const {
    position = std::min(position, chars_.size());
    while (position > 0 && !chars_[position - 1].IsBreak())
        --position;
    return position;
}

void CRichEditCtrl::Insert(const std::vector<Char>& chars) {
    const size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    const auto first = chars_.begin() + ptrdiff_t(from);
    auto isBreak = [](const Char& c) { return c.IsBreak(); };
    breaks_ -= size_t(std::count_if(first, first + ptrdiff_t(to - from), isBreak));
    breaks_ += size_t(std::count_if(chars.begin(), chars.end(), isBreak));
    chars_.erase(first, first + ptrdiff_t(to - from));
    chars_.insert(chars_.begin() + ptrdiff_t(from), chars.begin(), chars.end());
    caret_ = anchor_ = from + chars.size();
    MarkChanged(from);
}

// Searching for addresses waits until the lines are needed: a markup
// string of many pieces is searched once, not once a piece.
void CRichEditCtrl::MarkChanged(size_t from) {
    dirtyFrom_ = std::min(dirtyFrom_, from);
    if (autoUrl_) urlsFrom_ = std::min(urlsFrom_, from);
    Invalidate();
}

void CRichEditCtrl::FindPendingUrls() {
    if (urlsFrom_ == kClean) return;
    const size_t from = ParagraphStart(urlsFrom_);
    urlsFrom_ = kClean;
    dirtyFrom_ = std::min(dirtyFrom_, from);
    DetectUrls(from, chars_.size());
}

void CRichEditCtrl::DetectUrls(size_t from, size_t to) {
    // One byte per character: only single-byte text can be part of an address.
    std::string view(to - from, '\0');
    for (size_t i = from; i < to; ++i) {
        const Char& c = chars_[i];
        chars_[i].linkFormat = -1;
        if (!c.picture && c.text.size() == 1 && !c.IsBreak()) view[i - from] = c.text[0];
    }
    for (const UrlRange& url : FindUrls(view)) {
        for (size_t i = from + url.begin; i < from + url.end; ++i)
            chars_[i].linkFormat = LinkFormatOf(chars_[i].format);
    }
}

std::string CRichEditCtrl::GetSelText() const {
    const CHARRANGE range = GetSel();
    return GetTextRange(size_t(range.cpMin), size_t(range.cpMax));
}

void CRichEditCtrl::RemoveLeadingParagraphs(size_t count) {
    if (count == 0 || chars_.empty()) return;
    size_t cut = 0, removed = 0;
    while (cut < chars_.size() && removed < count) {
        if (chars_[cut++].IsBreak()) ++removed;
    }
    if (removed < count) cut = chars_.size();  // fewer paragraphs than asked: all go
    chars_.erase(chars_.begin(), chars_.begin() + ptrdiff_t(cut));
    breaks_ -= removed;
    caret_ = caret_ > cut ? caret_ - cut : 0;
    anchor_ = anchor_ > cut ? anchor_ - cut : 0;
    // The lines that stay move up by the height of those that went.
    const auto kept = std::lower_bound(lines_.begin(), lines_.end(), cut,
                                       [](const Line& line, size_t at) { return line.start < at; });
    const int height = kept != lines_.end() ? kept->top : 0;
    lines_.erase(lines_.begin(), kept);
    for (Line& line : lines_) {
        line.start -= cut;
        line.end -= cut;
        line.top -= height;
    }
    for (size_t* from : {&dirtyFrom_, &urlsFrom_}) {
        if (*from != kClean) *from = *from > cut ? *from - cut : 0;
    }
    if (chars_.empty() || lines_.empty()) dirtyFrom_ = 0;
    scrollY_ = std::max(scrollY_ - height, 0);
    Invalidate();
}

void CRichEditCtrl::ReplaceSel(std::string_view text) {
    const size_t from = std::min(anchor_, caret_);
    // New text takes the format of the character before it.
    const int format = from > 0 ? chars_[from - 1].format : (chars_.empty() ? 0 : chars_[0].format);
    std::vector<Char> chars;
    for (size_t pos = 0; pos < text.size();) {
        size_t n = GbkCharLength(text, pos);
        if (text[pos] == '\r' || text[pos] == '\n') {
            if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') n = 2;
            chars.push_back({"\r", nullptr, format});
        } else {
            chars.push_back({std::string(text.substr(pos, n)), nullptr, format});
        }
        pos += n;
    }
    Insert(chars);
}

void CRichEditCtrl::InsertPicture(std::shared_ptr<const Surface> picture) {
    if (!picture || picture->Empty()) return;
    const size_t from = std::min(anchor_, caret_);
    const int format = from > 0 ? chars_[from - 1].format : 0;
    Insert({{std::string(), std::move(picture), format}});
}

bool CRichEditCtrl::SetSelectionCharFormat(const CHARFORMAT& format) {
    const size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    // Runs of one format become one format: each new one is made once a run.
    int before = -1, after = -1, link = -1;
    for (size_t i = from; i < to; ++i) {
        if (chars_[i].format != before) {
            before = chars_[i].format;
            CHARFORMAT cf = formats_[size_t(before)].cf;
            const DWORD mask = format.dwMask;
            const DWORD effects = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_LINK;
            cf.dwEffects = (cf.dwEffects & ~(mask & effects)) | (format.dwEffects & mask & effects);
            if (mask & CFM_SIZE) cf.yHeight = format.yHeight;
            if (mask & CFM_COLOR) {
                cf.crTextColor = format.crTextColor;
                cf.dwEffects = (cf.dwEffects & ~CFE_AUTOCOLOR) | (format.dwEffects & CFE_AUTOCOLOR);
            }
            if (mask & CFM_FACE) cf.szFaceName = format.szFaceName;
            if (mask & CFM_CHARSET) cf.bCharSet = format.bCharSet;
            after = AddFormat(cf);
            link = -1;
        }
        chars_[i].format = after;
        if (chars_[i].linkFormat >= 0) {
            if (link < 0) link = LinkFormatOf(after);
            chars_[i].linkFormat = link;
        }
    }
    dirtyFrom_ = std::min(dirtyFrom_, from);
    Invalidate();
    return true;
}

std::string CRichEditCtrl::GetTextRange(size_t start, size_t end) const {
    std::string out;
    end = std::min(end, chars_.size());
    for (size_t i = start; i < end; ++i) {
        const Char& c = chars_[i];
        if (c.picture) {
            out += ' ';
        } else if (c.IsBreak()) {
            out += "\r\n";
        } else {
            out += c.text;
        }
    }
    return out;
}

int CRichEditCtrl::Advance(const Char& c) const {
    if (c.picture) return c.picture->Width();
    if (c.IsBreak()) return 0;
    return formats_[size_t(c.Shown())].font->MeasureText(c.text);
}

int CRichEditCtrl::TextWidth() const {
    int width = GetClientRect().Width() - 2 * kMargin - 4;
    if (GetStyle() & WS_VSCROLL) width -= kScrollBar;
    return std::max(width, 1);
}

// Where the line that starts at `start` ends: after a break, before the
// character that would pass the width (Latin words move whole when they
// can; CJK text breaks anywhere), and never before one character.
size_t CRichEditCtrl::LineEnd(size_t start, int width) const {
    size_t end = start;
    int x = 0;
    size_t lastBreak = start;  // a line may end before this position
    while (end < chars_.size()) {
        const Char& c = chars_[end];
        if (c.IsBreak()) return end + 1;
        const int advance = Advance(c);
        const bool wide = c.picture || c.text.size() == 2;
        if (wide && end > start) lastBreak = end;
        if (x + advance > width && end > start) {
            if (lastBreak > start && !wide) end = lastBreak;
            return end;
        }
        x += advance;
        ++end;
        if (!wide && c.text == " ") lastBreak = end;
    }
    return end;
}

CRichEditCtrl::Line CRichEditCtrl::MeasureLine(size_t start, size_t end, int top) const {
    int ascent = 0, descent = 0;
    for (size_t i = start; i < end; ++i) {
        const Char& c = chars_[i];
        if (c.picture) {
            ascent = std::max(ascent, c.picture->Height());
        } else {
            const Font& f = *formats_[size_t(c.Shown())].font;
            ascent = std::max(ascent, f.Ascent());
            descent = std::max(descent, f.Descent());
        }
    }
    if (ascent == 0 && descent == 0) {
        ascent = formats_[0].font->Ascent();
        descent = formats_[0].font->Descent();
    }
    return {start, end, top, ascent + descent, ascent};
}

void CRichEditCtrl::Layout() {
    FindPendingUrls();
    const int width = TextWidth();
    if (width != layoutWidth_) {
        dirtyFrom_ = 0;
        layoutWidth_ = width;
    }
    if (dirtyFrom_ == kClean) return;
    // Nothing before the first changed paragraph moved: its lines stand.
    size_t start = ParagraphStart(dirtyFrom_);
    lines_.erase(std::lower_bound(lines_.begin(), lines_.end(), start,
                                  [](const Line& line, size_t at) { return line.start < at; }),
                 lines_.end());
    int top = lines_.empty() ? 0 : lines_.back().top + lines_.back().height;
    while (start < chars_.size()) {
        const size_t end = LineEnd(start, width);
        lines_.push_back(MeasureLine(start, end, top));
        top += lines_.back().height;
        start = end;
    }
    // An empty text, and a break at the very end, leave an empty last line.
    if (chars_.empty() || chars_.back().IsBreak()) {
        lines_.push_back(MeasureLine(chars_.size(), chars_.size(), top));
    }
    dirtyFrom_ = kClean;
}

size_t CRichEditCtrl::FirstLineBelow(int y) const {
    return size_t(
        std::upper_bound(lines_.begin(), lines_.end(), y,
                         [](int at, const Line& line) { return at < line.top + line.height; }) -
        lines_.begin());
}

int CRichEditCtrl::TotalHeight() {
    Layout();
    return lines_.empty() ? 0 : lines_.back().top + lines_.back().height;
}

int CRichEditCtrl::GetLineCount() {
    Layout();
    return int(lines_.size());
}

int CRichEditCtrl::GetFirstVisibleLine() {
    Layout();
    const size_t first = FirstLineBelow(scrollY_);
    return first < lines_.size() ? int(first) : 0;
}

void CRichEditCtrl::ScrollTo(int y) {
    const int visible = GetClientRect().Height() - 2 * kMargin;
    const int most = std::max(TotalHeight() - visible, 0);
    y = std::clamp(y, 0, most);
    if (y != scrollY_) {
        scrollY_ = y;
        Invalidate();
    }
}

bool CRichEditCtrl::IsLink(size_t position) const {
    return position < chars_.size() &&
           (chars_[position].linkFormat >= 0 ||
            (formats_[size_t(chars_[position].format)].cf.dwEffects & CFE_LINK));
}

// The link around `position`: a run of found addresses or of linked text.
CHARRANGE CRichEditCtrl::LinkRun(size_t position) const {
    const bool found = chars_[position].linkFormat >= 0;
    auto same = [&](size_t i) {
        return found ? chars_[i].linkFormat >= 0 : chars_[i].linkFormat < 0 && IsLink(i);
    };
    size_t from = position, to = position + 1;
    while (from > 0 && same(from - 1))
        --from;
    while (to < chars_.size() && same(to))
        ++to;
    return {LONG(from), LONG(to)};
}

size_t CRichEditCtrl::HitTest(POINT p, bool* onText) {
    Layout();
    if (onText) *onText = false;
    const int y = p.y - kMargin + scrollY_;
    const size_t index = FirstLineBelow(y);
    if (index < lines_.size() && y >= lines_[index].top) {
        const Line& line = lines_[index];
        int x = kMargin + 2;
        for (size_t i = line.start; i < line.end; ++i) {
            const int advance = Advance(chars_[i]);
            if (p.x >= x && p.x < x + advance) {
                if (onText) *onText = true;
                return i;
            }
            x += advance;
        }
        return line.end;
    }
    return chars_.size();
}

void CRichEditCtrl::Paint() {
    Layout();
    PAINTSTRUCT ps;
    Painter p = BeginPaint(ps);
    const RECT client = GetClientRect();
    const bool readOnly = (GetStyle() & ES_READONLY) != 0;
    p.FillSolidRect(client, GetSysColor(COLOR_WINDOW));
    RECT inside = client;
    if ((GetExStyle() & WS_EX_CLIENTEDGE) || (GetStyle() & WS_BORDER)) {
        inside = p.DrawEdge(client, EDGE_SUNKEN, BF_RECT);
    }
    RECT text = inside;
    if (GetStyle() & WS_VSCROLL) {
        text.right -= kScrollBar;
        // A plain scroll bar: the track and a thumb showing the visible share.
        RECT bar{text.right, inside.top, inside.right, inside.bottom};
        p.FillSolidRect(bar, GetSysColor(COLOR_SCROLLBAR));
        const int total = std::max(TotalHeight(), 1);
        const int visible = inside.Height();
        if (total > visible) {
            const int thumb = std::max(bar.Height() * visible / total, 8);
            const int top =
                bar.top + (bar.Height() - thumb) * scrollY_ / std::max(total - visible, 1);
            p.FillSolidRect({bar.left, top, bar.right, top + thumb}, GetSysColor(COLOR_BTNFACE));
            p.DrawEdge({bar.left, top, bar.right, top + thumb}, EDGE_RAISED, BF_RECT);
        }
    }
    p.IntersectClipRect(text);
    p.SetBkMode(TRANSPARENT);
    const size_t selFrom = std::min(anchor_, caret_), selTo = std::max(anchor_, caret_);
    const bool showSelection = !hideSelection_ && selFrom != selTo;
    const int originY = inside.top + kMargin - scrollY_ - (kMargin - 2);
    for (size_t index = FirstLineBelow(text.top - originY - 1); index < lines_.size(); ++index) {
        const Line& line = lines_[index];
        const int lineTop = originY + line.top;
        if (lineTop > text.bottom) break;
        const int baseline = lineTop + line.baseline;
        int x = text.left + 2;
        for (size_t i = line.start; i < line.end; ++i) {
            const Char& c = chars_[i];
            const int advance = Advance(c);
            const bool selected = showSelection && i >= selFrom && i < selTo;
            if (selected) {
                p.FillSolidRect({x, lineTop, x + advance, lineTop + line.height},
                                GetSysColor(COLOR_HIGHLIGHT));
            }
            if (c.picture) {
                p.BitBlt(x, baseline - c.picture->Height(), c.picture->Width(), c.picture->Height(),
                         *c.picture, 0, 0);
            } else if (!c.IsBreak()) {
                const Format& f = formats_[size_t(c.Shown())];
                p.SelectFont(f.font);
                COLORREF color = (f.cf.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT)
                                                                  : f.cf.crTextColor;
                if (selected) color = GetSysColor(COLOR_HIGHLIGHTTEXT);
                p.SetTextColor(color);
                p.TextOut(x, baseline - f.font->Ascent(), c.text);
            }
            x += advance;
        }
    }
    (void)readOnly;
    EndPaint(ps);
}

LRESULT CRichEditCtrl::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            MarkLayoutDirty();
            return CWnd::OnMessage(msg);
        case WM_SETFONT: {
            if (auto* spec = reinterpret_cast<const FontSpec*>(msg.wParam)) {
                CHARFORMAT cf = formats_[0].cf;
                cf.SetFace(spec->face);
                cf.yHeight = LONG(std::abs(spec->height ? spec->height : 12) * 15);
                cf.dwEffects = (spec->weight >= 600 ? CFE_BOLD : 0) |
                               (spec->italic ? CFE_ITALIC : 0) |
                               (spec->underline ? CFE_UNDERLINE : 0);
                cf.bCharSet = uint8_t(spec->charset);
                SetFormat(0, cf);
                MarkLayoutDirty();
            }
            return CWnd::OnMessage(msg);
        }
        case WM_GETTEXTLENGTH:
            return LRESULT(chars_.size());
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(msg.lParam);
            if (!buffer || msg.wParam == 0) return 0;
            const std::string text = GetTextRange(0, chars_.size());
            const size_t n = std::min(text.size(), size_t(msg.wParam) - 1);
            std::copy_n(text.data(), n, buffer);
            buffer[n] = '\0';
            return LRESULT(n);
        }
        case WM_SETTEXT: {
            chars_.clear();
            breaks_ = 0;
            caret_ = anchor_ = 0;
            scrollY_ = 0;
            if (const char* text = reinterpret_cast<const char*>(msg.lParam)) ReplaceSel(text);
            caret_ = anchor_ = 0;
            MarkLayoutDirty();
            return 1;
        }
        case EM_SETSEL:
            SetSel(LONG(LPARAM(msg.wParam)), LONG(msg.lParam));
            return 0;
        case EM_EXSETSEL:
            if (auto* range = reinterpret_cast<const CHARRANGE*>(msg.lParam)) {
                SetSel(range->cpMin, range->cpMax);
            }
            return LRESULT(caret_);
        case EM_GETSEL:
        case EM_EXGETSEL: {
            const CHARRANGE range = GetSel();
            if (msg.message == EM_EXGETSEL) {
                if (auto* out = reinterpret_cast<CHARRANGE*>(msg.lParam)) *out = range;
                return 0;
            }
            return MAKELPARAM(range.cpMin, range.cpMax);
        }
        case EM_REPLACESEL:
            if (const char* text = reinterpret_cast<const char*>(msg.lParam)) ReplaceSel(text);
            return 0;
        case WM_CLEAR:
            if (!(GetStyle() & ES_READONLY)) Insert({});
            return 0;
        case EM_GETCHARFORMAT: {
            auto* out = reinterpret_cast<CHARFORMAT*>(msg.lParam);
            if (!out) return 0;
            const size_t from = std::min(anchor_, caret_);
            *out = msg.wParam == SCF_DEFAULT
                       ? formats_[0].cf
                       : (from < chars_.size() ? FormatAt(from) : formats_[0].cf);
            out->dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC |
                          CFM_UNDERLINE | CFM_LINK;
            return LRESULT(out->dwMask);
        }
        case EM_SETCHARFORMAT: {
            auto* format = reinterpret_cast<const CHARFORMAT*>(msg.lParam);
            if (!format) return 0;
            if (msg.wParam & SCF_ALL) {
                const size_t a = anchor_, c = caret_;
                anchor_ = 0;
                caret_ = chars_.size();
                SetSelectionCharFormat(*format);
                anchor_ = a;
                caret_ = c;
            } else if (msg.wParam & SCF_SELECTION) {
                SetSelectionCharFormat(*format);
            } else {
                CHARFORMAT cf = formats_[0].cf;
                if (format->dwMask & CFM_SIZE) cf.yHeight = format->yHeight;
                if (format->dwMask & CFM_COLOR) cf.crTextColor = format->crTextColor;
                if (format->dwMask & CFM_FACE) cf.szFaceName = format->szFaceName;
                if (format->dwMask & CFM_CHARSET) cf.bCharSet = format->bCharSet;
                const DWORD effects = format->dwMask & (CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE);
                cf.dwEffects = (cf.dwEffects & ~effects) | (format->dwEffects & effects);
                SetFormat(0, cf);
                MarkLayoutDirty();
            }
            return 1;
        }
        case EM_HIDESELECTION:
            hideSelection_ = msg.wParam != 0;
            Invalidate();
            return 0;
        case EM_SETREADONLY:
            ModifyStyle(msg.wParam ? 0 : ES_READONLY, msg.wParam ? ES_READONLY : 0);
            return 1;
        case EM_GETEVENTMASK:
            return LRESULT(eventMask_);
        case EM_SETEVENTMASK:
            return LRESULT(std::exchange(eventMask_, DWORD(msg.lParam)));
        case EM_AUTOURLDETECT:
            FindPendingUrls();  // text added while it was on is searched as it was
            autoUrl_ = msg.wParam != 0;
            return 0;
        case EM_GETLINECOUNT:
            return GetLineCount();
        case EM_LINESCROLL: {
            Layout();
            const int first = GetFirstVisibleLine();
            const int target =
                std::clamp(first + int(msg.lParam), 0, std::max(int(lines_.size()) - 1, 0));
            ScrollTo(lines_.empty() ? 0 : lines_[size_t(target)].top);
            return 1;
        }
        case WM_VSCROLL: {
            const int page =
                std::max(GetClientRect().Height() - 2 * kMargin - kLineStep, kLineStep);
            switch (LOWORD(msg.wParam)) {
                case SB_LINEUP:
                    ScrollTo(scrollY_ - kLineStep);
                    break;
                case SB_LINEDOWN:
                    ScrollTo(scrollY_ + kLineStep);
                    break;
                case SB_PAGEUP:
                    ScrollTo(scrollY_ - page);
                    break;
                case SB_PAGEDOWN:
                    ScrollTo(scrollY_ + page);
                    break;
                case SB_TOP:
                    ScrollTo(0);
                    break;
                case SB_BOTTOM:
                    ScrollTo(TotalHeight());
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_MOUSEWHEEL:
            ScrollTo(scrollY_ - 3 * kLineStep * GET_WHEEL_DELTA_WPARAM(msg.wParam) / WHEEL_DELTA);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN: {
            const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if ((GetStyle() & WS_VSCROLL) && p.x >= GetClientRect().right - kScrollBar - 2) {
                if (msg.message == WM_LBUTTONDOWN) {
                    const int mid = GetClientRect().Height() / 2;
                    Send(WM_VSCROLL, p.y < mid ? SB_PAGEUP : SB_PAGEDOWN);
                }
                return 0;
            }
            bool onText = false;
            const size_t at = HitTest(p, &onText);
            if (msg.message == WM_LBUTTONDOWN) SetFocus();
            if (onText && (eventMask_ & ENM_LINK) && IsLink(at)) {
                ENLINK link;
                link.nmhdr = {GetSafeHwnd(), GetDlgCtrlID(), EN_LINK};
                link.msg = msg.message;
                link.wParam = msg.wParam;
                link.lParam = msg.lParam;
                link.chrg = LinkRun(at);
                if (CWnd* parent = GetParent()) {
                    if (SendMessage(parent->GetSafeHwnd(), WM_NOTIFY, GetDlgCtrlID(),
                                    reinterpret_cast<LPARAM>(&link))) {
                        return 0;
                    }
                }
                if (msg.message == WM_MOUSEMOVE) platform::SetCursor(IDC_HAND);
            }
            if (msg.message == WM_LBUTTONDOWN) SetSel(LONG(at), LONG(at));
            return 0;
        }
        case WM_CHAR: {
            if (GetStyle() & ES_READONLY) return 0;
            const int c = int(msg.wParam & 0xFF);
            if (c == '\b') {
                if (anchor_ == caret_ && caret_ > 0) --anchor_;
                Insert({});
            } else if (c == '\r' || c >= 0x20) {
                ReplaceSel(std::string(1, char(c)));
            }
            return 0;
        }
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
