#pragma once
// The rich edit control of the chat: text in runs of character formats
// (face, size in twips, colour, bold, italic, underline, link) and inline
// pictures, wrapped to the width (CJK text between any two characters,
// Latin text at blanks), scrolled vertically, read-only if asked, with
// links reported through EN_LINK.
//
// Positions count characters: a double-byte character, a picture and a
// paragraph break ("\r\n", "\r" or "\n" on input) are one position each,
// and WM_GETTEXTLENGTH answers in positions too.
//
// A change lays out again only the paragraphs from the first one it touched
// (appending to a long history costs the new line, not the history), and
// dropping the oldest paragraphs moves the lines that stay. While automatic
// URL detection is on, text that is added is searched for web addresses;
// the links found stay when detection is turned off again.

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/wnd.h"

namespace platform {

constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_STRIKEOUT = 0x00000008;
constexpr DWORD CFM_PROTECTED = 0x00000010;
constexpr DWORD CFM_LINK = 0x00000020;
constexpr DWORD CFM_CHARSET = 0x08000000;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFE_BOLD = 0x00000001;
constexpr DWORD CFE_ITALIC = 0x00000002;
constexpr DWORD CFE_UNDERLINE = 0x00000004;
constexpr DWORD CFE_STRIKEOUT = 0x00000008;
constexpr DWORD CFE_LINK = 0x00000020;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;

constexpr WPARAM SCF_DEFAULT = 0x0000;
constexpr WPARAM SCF_SELECTION = 0x0001;
constexpr WPARAM SCF_ALL = 0x0004;

constexpr UINT EM_LINESCROLL = 0x00B6;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_EXGETSEL = 0x0434;
constexpr UINT EM_EXSETSEL = 0x0437;
constexpr UINT EM_GETCHARFORMAT = 0x043A;
constexpr UINT EM_GETEVENTMASK = 0x043B;
constexpr UINT EM_HIDESELECTION = 0x043F;
constexpr UINT EM_SETCHARFORMAT = 0x0444;
constexpr UINT EM_SETEVENTMASK = 0x0445;
constexpr UINT EM_AUTOURLDETECT = 0x045B;
constexpr DWORD ENM_LINK = 0x04000000;
constexpr int EN_LINK = 0x070B;

constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;

// The ANSI CHARFORMAT record.
struct CHARFORMAT {
    UINT cbSize = sizeof(CHARFORMAT);
    DWORD dwMask = 0;
    DWORD dwEffects = 0;
    LONG yHeight = 0;  // twips
    LONG yOffset = 0;
    COLORREF crTextColor = 0;
    uint8_t bCharSet = 0;
    uint8_t bPitchAndFamily = 0;
    std::array<char, 32> szFaceName{};

    std::string Face() const;
    void SetFace(std::string_view face);  // cut to 31 bytes, whole characters
};

struct CHARRANGE {
    LONG cpMin = 0;
    LONG cpMax = 0;
};

struct ENLINK {
    NMHDR nmhdr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    CHARRANGE chrg;
};

class CRichEditCtrl : public CWnd {
  public:
    CRichEditCtrl();
    ~CRichEditCtrl() override { Destroy(); }
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(WS_EX_CLIENTEDGE, "", style | WS_CHILD, rect, parent, id);
    }

    // Inserts a picture at the selection (replacing it).
    void InsertPicture(std::shared_ptr<const Surface> picture);

    // Convenience forms of the messages.
    void SetSel(LONG start, LONG end);
    CHARRANGE GetSel() const {
        return {LONG(std::min(anchor_, caret_)), LONG(std::max(anchor_, caret_))};
    }
    void ReplaceSel(std::string_view text);
    bool SetSelectionCharFormat(const CHARFORMAT& format);
    CHARFORMAT GetDefaultCharFormat() const;
    int GetLineCount();
    int GetFirstVisibleLine();
    size_t Length() const { return chars_.size(); }
    std::string GetSelText() const;
    // Paragraphs are ended by breaks; the text after the last break is one too.
    size_t ParagraphCount() const { return breaks_ + 1; }
    // Deletes the first `count` paragraphs with their breaks (all the text
    // when it has no more); what stays keeps its place on the screen.
    void RemoveLeadingParagraphs(size_t count);
    // The text of [start, end) with pictures as blanks and breaks as "\r\n".
    std::string GetTextRange(size_t start, size_t end) const;
    // The format of the character at `position`; an automatic link adds CFE_LINK.
    CHARFORMAT FormatAt(size_t position);
    bool IsPicture(size_t position) const;

  protected:
    LRESULT OnMessage(Message& msg) override;

  private:
    struct Char {
        std::string text;  // GBK character, or "\r" for a break; empty for a picture
        std::shared_ptr<const Surface> picture;
        int format = 0;
        int linkFormat = -1;  // how an automatically found link shows; -1 if none
        bool IsBreak() const { return text.size() == 1 && text[0] == '\r'; }
        int Shown() const { return linkFormat >= 0 ? linkFormat : format; }
    };
    struct Format {
        CHARFORMAT cf;
        std::shared_ptr<const Font> font;
    };
    struct Line {
        size_t start = 0;
        size_t end = 0;
        int top = 0;
        int height = 0;
        int baseline = 0;
    };

    static constexpr size_t kClean = size_t(-1);

    void SetFormat(size_t index, const CHARFORMAT& cf);
    int AddFormat(const CHARFORMAT& cf);
    int LinkFormatOf(int format);
    void Insert(const std::vector<Char>& chars);
    void MarkChanged(size_t from);
    void FindPendingUrls();
    void DetectUrls(size_t from, size_t to);
    size_t ParagraphStart(size_t position) const;
    bool IsLink(size_t position) const;
    CHARRANGE LinkRun(size_t position) const;
    void Layout();
    size_t LineEnd(size_t start, int width) const;
    Line MeasureLine(size_t start, size_t end, int top) const;
    size_t FirstLineBelow(int y) const;
    int TotalHeight();
    int TextWidth() const;
    void ScrollTo(int y);
    void Paint();
    int Advance(const Char& c) const;
    size_t HitTest(POINT p, bool* onText);
    void MarkLayoutDirty() {
        dirtyFrom_ = 0;
        Invalidate();
    }

    std::vector<Char> chars_;
    size_t breaks_ = 0;
    std::vector<Format> formats_;  // [0] is the default format
    std::unordered_map<std::string, int> formatIndex_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    bool hideSelection_ = false;
    DWORD eventMask_ = 0;
    bool autoUrl_ = false;
    size_t urlsFrom_ = kClean;  // text changed from here while detection was on
    int scrollY_ = 0;
    std::vector<Line> lines_;
    size_t dirtyFrom_ = 0;  // lines from this position's paragraph on are stale
    int layoutWidth_ = -1;
};

}  // namespace platform
