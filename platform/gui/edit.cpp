#include "platform/gui/edit.h"

#include <algorithm>

#include "platform/gui/sys_colors.h"
#include "platform/gui/virtual_keys.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr int kMargin = 2;
constexpr int kEdge = 2;  // the sunken client edge

// The selected part of a line of text drawn at (x, top) shows in the
// highlight colours.
void PaintSelection(Painter& painter, const RECT& selection, int x, int top,
                    std::string_view text) {
    painter.FillSolidRect(selection, GetSysColor(COLOR_HIGHLIGHT));
    painter.SaveState();
    painter.IntersectClipRect(selection);
    painter.SetTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
    painter.TextOut(x, top, text);
    painter.RestoreState(-1);
}

}  // namespace

bool CEdit::Multiline() const {
    return (GetStyle() & ES_MULTILINE) != 0;
}

size_t CEdit::PreviousChar(size_t pos) const {
    // A line break is one character.
    if (pos >= 2 && value_.compare(pos - 2, 2, "\r\n") == 0) return pos - 2;
    size_t at = 0, previous = 0;
    while (at < pos) {
        previous = at;
        size_t n = GbkCharLength(value_, at);
        if (n == 0) break;
        at += n;
    }
    return previous;
}

size_t CEdit::NextChar(size_t pos) const {
    if (value_.compare(pos, 2, "\r\n") == 0) return pos + 2;
    return std::min(value_.size(), pos + std::max<size_t>(GbkCharLength(value_, pos), 1));
}

std::string CEdit::Shown() const {
    if (!(GetStyle() & ES_PASSWORD)) return value_;
    std::string stars;
    for (size_t pos = 0; pos < value_.size(); pos += GbkCharLength(value_, pos))
        stars += '*';
    return stars;
}

int CEdit::TextX(size_t pos) const {
    auto font = Font::Open(GetFont());
    if (GetStyle() & ES_PASSWORD) {
        size_t count = 0;
        for (size_t at = 0; at < pos; at += GbkCharLength(value_, at))
            ++count;
        return int(count) * font->MeasureText("*");
    }
    return font->MeasureText(std::string_view(value_).substr(0, pos));
}

std::vector<CEdit::Line> CEdit::Lines() const {
    auto font = Font::Open(GetFont());
    const int width = std::max(GetClientRect().Width() - 2 * (kEdge + kMargin), 1);
    std::vector<Line> lines;
    size_t start = 0, at = 0;
    int x = 0;
    while (at < value_.size()) {
        if (value_.compare(at, 2, "\r\n") == 0) {
            lines.push_back({start, at});
            start = at += 2;
            x = 0;
            continue;
        }
        const size_t n = std::max<size_t>(GbkCharLength(value_, at), 1);
        const int w = font->MeasureText(std::string_view(value_).substr(at, n));
        if (x + w > width && at > start) {
            lines.push_back({start, at});
            start = at;
            x = 0;
            continue;
        }
        x += w;
        at += n;
    }
    lines.push_back({start, value_.size()});
    return lines;
}

size_t CEdit::LineOf(const std::vector<Line>& lines, size_t pos) const {
    // A position where a line wraps belongs to the line it starts.
    size_t i = 0;
    while (i + 1 < lines.size() && lines[i + 1].start <= pos)
        ++i;
    return i;
}

int CEdit::LineX(const Line& line, size_t pos) const {
    const size_t end = std::clamp(pos, line.start, line.end);
    return Font::Open(GetFont())->MeasureText(
        std::string_view(value_).substr(line.start, end - line.start));
}

int CEdit::LineHeight() const {
    return std::max(Font::Open(GetFont())->Height(), 1);
}

size_t CEdit::HitTestLine(const Line& line, int x) const {
    for (size_t pos = line.start; pos < line.end;) {
        const size_t next = std::min(NextChar(pos), line.end);
        if (x < (LineX(line, pos) + LineX(line, next)) / 2) return pos;
        pos = next;
    }
    return line.end;
}

size_t CEdit::HitTest(POINT p) const {
    if (Multiline()) {
        const auto lines = Lines();
        const int y = p.y - kEdge - kMargin + scrollY_;
        const int row = y < 0 ? 0 : std::min(y / LineHeight(), int(lines.size()) - 1);
        return HitTestLine(lines[size_t(row)], p.x - kEdge - kMargin);
    }
    const int x = p.x;
    const int target = x - kMargin + scroll_;
    size_t best = 0;
    for (size_t pos = 0; pos <= value_.size();) {
        int here = TextX(pos);
        if (pos == value_.size()) return target >= here ? pos : best;
        size_t next = NextChar(pos);
        int there = TextX(next);
        if (target < (here + there) / 2) return pos;
        best = next;
        pos = next;
    }
    return best;
}

void CEdit::EnsureCaretVisible() {
    if (Multiline()) {
        const int h = LineHeight();
        const int shown = std::max(GetClientRect().Height() - 2 * (kEdge + kMargin), h);
        const int y = int(LineOf(Lines(), caret_)) * h;
        if (y + h - scrollY_ > shown) scrollY_ = y + h - shown;
        if (y < scrollY_) scrollY_ = y;
        if (scrollY_ < 0) scrollY_ = 0;
        return;
    }
    const int width = std::max(GetClientRect().Width() - 2 * kMargin - 2, 1);
    const int x = TextX(caret_);
    if (x - scroll_ > width) scroll_ = x - width;
    if (x < scroll_) scroll_ = x;
    if (scroll_ < 0) scroll_ = 0;
}

void CEdit::SetSel(int start, int end) {
    auto clampPos = [this](int p) {
        size_t pos = p < 0 ? value_.size() : std::min(size_t(p), value_.size());
        // Never inside a double-byte character.
        size_t at = 0;
        while (at < pos) {
            size_t n = GbkCharLength(value_, at);
            if (at + n > pos) return at;
            at += n;
        }
        return pos;
    };
    if (start == -1) {
        anchor_ = caret_;  // -1 removes the selection
    } else {
        anchor_ = clampPos(start);
        caret_ = clampPos(end);
    }
    EnsureCaretVisible();
    Invalidate();
}

void CEdit::GetSel(int& start, int& end) const {
    start = int(std::min(anchor_, caret_));
    end = int(std::max(anchor_, caret_));
}

void CEdit::SetReadOnly(bool readOnly) {
    ModifyStyle(readOnly ? 0 : ES_READONLY, readOnly ? ES_READONLY : 0);
    Invalidate();
}

void CEdit::Changed() {
    const HWND self = GetSafeHwnd();
    EnsureCaretVisible();
    Invalidate();
    NotifyParent(*this, EN_UPDATE);
    if (IsWindow(self)) NotifyParent(*this, EN_CHANGE);
}

void CEdit::Replace(std::string_view text, bool typed) {
    if (typed && (GetStyle() & ES_NUMBER)) {
        for (char c : text) {
            if (c < '0' || c > '9') return;
        }
    }
    const size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    const size_t kept = value_.size() - (to - from);
    const size_t room = limit_ > kept ? limit_ - kept : 0;
    std::string insert(text);
    if (insert.size() > room) {
        // Cut at a character boundary inside the room left.
        size_t cut = 0;
        while (cut < insert.size()) {
            size_t n = GbkCharLength(insert, cut);
            if (cut + n > room) break;
            cut += n;
        }
        insert.resize(cut);
        NotifyParent(*this, EN_MAXTEXT);
        if (!IsWindow(GetSafeHwnd())) return;
        if (insert.empty() && from == to) return;
    }
    value_.replace(from, to - from, insert);
    caret_ = anchor_ = from + insert.size();
    Changed();
}

void CEdit::MoveCaret(size_t to, bool extend) {
    caret_ = std::min(to, value_.size());
    if (!extend) anchor_ = caret_;
    EnsureCaretVisible();
    Invalidate();
}

void CEdit::Paint() {
    PAINTSTRUCT ps;
    Painter painter = BeginPaint(ps);
    const RECT client = GetClientRect();
    const bool readOnly = (GetStyle() & ES_READONLY) != 0;
    const bool enabled = IsWindowEnabled();
    painter.SetTextColor(GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    Brush background =
        Brush::Solid(GetSysColor(readOnly || !enabled ? COLOR_BTNFACE : COLOR_WINDOW));
    if (CWnd* parent = GetParent()) {
        // Read-only and disabled edits are coloured as statics are.
        const UINT ask = readOnly || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
        LRESULT answer = SendMessage(parent->GetSafeHwnd(), ask, reinterpret_cast<WPARAM>(&painter),
                                     ToLParam(GetSafeHwnd()));
        if (answer) background = *reinterpret_cast<const Brush*>(answer);
    }
    painter.FillRect(client, background);
    RECT inside = client;
    if ((GetExStyle() & WS_EX_CLIENTEDGE) || (GetStyle() & WS_BORDER)) {
        inside = painter.DrawEdge(client, EDGE_SUNKEN, BF_RECT);
    }
    painter.IntersectClipRect(inside);
    if (Multiline()) {
        PaintLines(painter, inside);
        EndPaint(ps);
        return;
    }
    const std::string shown = Shown();
    const Font& font = painter.CurrentFont();
    const int top = inside.top + (inside.Height() - font.Height()) / 2;
    const int x0 = inside.left + kMargin - scroll_;
    painter.SetBkMode(TRANSPARENT);
    painter.TextOut(x0, top, shown);
    const bool focused = GetFocus() == GetSafeHwnd();
    if (anchor_ != caret_ && focused) {
        const size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
        PaintSelection(painter, {x0 + TextX(from), top, x0 + TextX(to), top + font.Height()}, x0,
                       top, shown);
    }
    if (focused && !readOnly) {
        const int x = x0 + TextX(caret_);
        painter.FillSolidRect({x, top, x + 1, top + font.Height()}, GetSysColor(COLOR_WINDOWTEXT));
    }
    EndPaint(ps);
}

void CEdit::PaintLines(Painter& painter, const RECT& inside) {
    const auto lines = Lines();
    const int h = LineHeight();
    const int x0 = inside.left + kMargin;
    const bool focused = GetFocus() == GetSafeHwnd();
    const size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    painter.SetBkMode(TRANSPARENT);
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const int top = inside.top + kMargin + int(i) * h - scrollY_;
        if (top + h <= inside.top || top >= inside.bottom) continue;
        const std::string_view text =
            std::string_view(value_).substr(line.start, line.end - line.start);
        painter.TextOut(x0, top, text);
        const size_t a = std::clamp(from, line.start, line.end);
        const size_t b = std::clamp(to, line.start, line.end);
        if (!focused || a >= b) continue;
        PaintSelection(painter, {x0 + LineX(line, a), top, x0 + LineX(line, b), top + h}, x0, top,
                       text);
    }
    if (focused && !(GetStyle() & ES_READONLY)) {
        const size_t i = LineOf(lines, caret_);
        const int x = x0 + LineX(lines[i], caret_);
        const int top = inside.top + kMargin + int(i) * h - scrollY_;
        painter.FillSolidRect({x, top, x + 1, top + h}, GetSysColor(COLOR_WINDOWTEXT));
    }
}

LRESULT CEdit::OnMessage(Message& msg) {
    switch (msg.message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(msg.lParam);
            value_ = text ? text : "";
            caret_ = anchor_ = 0;
            scroll_ = scrollY_ = 0;
            pendingLead_ = -1;
            Changed();
            return 1;
        }
        case WM_GETTEXTLENGTH:
            return LRESULT(value_.size());
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(msg.lParam);
            if (!buffer || msg.wParam == 0) return 0;
            size_t n = std::min(value_.size(), size_t(msg.wParam) - 1);
            std::copy_n(value_.data(), n, buffer);
            buffer[n] = '\0';
            return LRESULT(n);
        }
        case WM_SETFOCUS:
            GetDisplay()->SetTextInput(GetTopLevel()->GetSafeHwnd().value, true);
            Invalidate();
            NotifyParent(*this, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            GetDisplay()->SetTextInput(GetTopLevel()->GetSafeHwnd().value, false);
            pendingLead_ = -1;
            Invalidate();
            NotifyParent(*this, EN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN: {
            SetFocus();
            const bool shift = (msg.wParam & MK_SHIFT) != 0;
            MoveCaret(HitTest({GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)}), shift);
            selecting_ = true;
            SetCapture();
            return 0;
        }
        case WM_MOUSEMOVE:
            if (selecting_)
                MoveCaret(HitTest({GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)}), true);
            return 0;
        case WM_LBUTTONUP:
            if (selecting_) {
                selecting_ = false;
                ReleaseCapture();
            }
            return 0;
        case WM_LBUTTONDBLCLK:
            SetSel(0, -1);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(uintptr_t(msg.lParam)) == HTCLIENT) {
                platform::SetCursor(IDC_IBEAM);
                return 1;
            }
            return CWnd::OnMessage(msg);
        case WM_KEYDOWN: {
            const bool shift = GetKeyState(VK_SHIFT) < 0;
            switch (msg.wParam) {
                case VK_LEFT:
                    MoveCaret(PreviousChar(caret_), shift);
                    break;
                case VK_RIGHT:
                    MoveCaret(NextChar(caret_), shift);
                    break;
                case VK_HOME:
                case VK_END:
                case VK_UP:
                case VK_DOWN: {
                    if (!Multiline()) {
                        if (msg.wParam == VK_HOME) MoveCaret(0, shift);
                        if (msg.wParam == VK_END) MoveCaret(value_.size(), shift);
                        break;
                    }
                    // Home and End keep to the caret's line; Up and Down keep its x.
                    const auto lines = Lines();
                    const size_t i = LineOf(lines, caret_);
                    if (msg.wParam == VK_HOME) MoveCaret(lines[i].start, shift);
                    if (msg.wParam == VK_END) MoveCaret(lines[i].end, shift);
                    const bool up = msg.wParam == VK_UP, down = msg.wParam == VK_DOWN;
                    if ((up && i > 0) || (down && i + 1 < lines.size()))
                        MoveCaret(HitTestLine(lines[up ? i - 1 : i + 1], LineX(lines[i], caret_)),
                                  shift);
                    break;
                }
                case VK_DELETE:
                    if (GetStyle() & ES_READONLY) break;
                    if (anchor_ == caret_) anchor_ = NextChar(caret_);
                    if (anchor_ != caret_) Replace("", true);
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_CHAR: {
            if (GetStyle() & ES_READONLY) return 0;
            const int c = int(msg.wParam & 0xFF);
            if (pendingLead_ >= 0) {
                std::string pair{char(pendingLead_), char(c)};
                pendingLead_ = -1;
                if (GbkCharLength(pair, 0) == 2) Replace(pair, true);
                return 0;
            }
            if (c == '\b') {
                if (anchor_ == caret_) anchor_ = PreviousChar(caret_);
                if (anchor_ != caret_) Replace("", true);
                return 0;
            }
            if (c == '\r' && Multiline()) {
                Replace("\r\n", true);
                return 0;
            }
            if (c < 0x20 || c == 0x7F) return 0;
            if (IsGbkLeadByte(static_cast<unsigned char>(c))) {
                pendingLead_ = c;
                return 0;
            }
            Replace(std::string(1, char(c)), true);
            return 0;
        }
        case EM_GETSEL: {
            int start, end;
            GetSel(start, end);
            if (auto* s = reinterpret_cast<DWORD*>(msg.wParam)) *s = DWORD(start);
            if (auto* e = reinterpret_cast<DWORD*>(msg.lParam)) *e = DWORD(end);
            return MAKELPARAM(start, end);
        }
        case EM_SETSEL:
            SetSel(int(LPARAM(msg.wParam)), int(msg.lParam));
            return 0;
        case EM_REPLACESEL: {
            const char* text = reinterpret_cast<const char*>(msg.lParam);
            Replace(text ? text : "", false);
            return 0;
        }
        case EM_SETLIMITTEXT:
            SetLimitText(size_t(msg.wParam));
            return 0;
        case EM_GETLIMITTEXT:
            return LRESULT(limit_);
        case EM_SETREADONLY:
            SetReadOnly(msg.wParam != 0);
            return 1;
        default:
            return CWnd::OnMessage(msg);
    }
}

}  // namespace platform
