#include "client/controls/chat_rich_edit.h"

#include <algorithm>

#include "client/chat_markup.h"
#include "client/controls/face_picker.h"
#include "client/picture_file.h"
#include "platform/paths.h"
#include "transport/util.h"

namespace client {
namespace {

using namespace platform;

constexpr DWORD kChatMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_LINK |
                            CFM_UNDERLINE | CFM_ITALIC | CFM_BOLD;
constexpr DWORD kChatEffects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_LINK | CFE_AUTOCOLOR;
constexpr uint32_t kNtFamily = 16;

}  // namespace

void CChatRichEdit::SetAutoUrlDetect(bool on) {
    SendMessage(GetSafeHwnd(), EM_AUTOURLDETECT, on ? 1 : 0);
}

bool CChatRichEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return InitRichEdit20() && CRichEditCtrl::Create(style, rect, parent, id);
}

void CChatRichEdit::SetDefaultFont() {
    defaultFont_ = {.face = std::string(kChatFace),
                    .height = -12,
                    .weight = FW_NORMAL,
                    .charset = GB2312_CHARSET};
    SetFont(defaultFont_, true);
}

void CChatRichEdit::AppendMarkup(std::string_view markup) {
    const LRESULT before = SendMessage(GetSafeHwnd(), EM_GETLINECOUNT);
    for (std::string_view segment : SplitMarkup(markup))
        AppendSegment(segment);
    const LRESULT after = SendMessage(GetSafeHwnd(), EM_GETLINECOUNT);
    uint32_t os = 0;
    transport::GetOSVersionFlags(&os);
    if (os >= kNtFamily) {
        SendMessage(GetSafeHwnd(), WM_VSCROLL, SB_BOTTOM);
    } else {
        SendMessage(GetSafeHwnd(), EM_LINESCROLL, 0, after - before);
    }
    if (ParagraphCount() > kMaxChatParagraphs) {
        RemoveLeadingParagraphs(ParagraphCount() - kMaxChatParagraphs * 3 / 4);
    }
    // Long paragraphs count too: the oldest quarter goes until the text fits.
    while (Length() > kMaxChatChars && ParagraphCount() > 1)
        RemoveLeadingParagraphs(std::max<size_t>(ParagraphCount() / 4, 1));
}

void CChatRichEdit::AppendSegment(std::string_view segment) {
    if (segment.empty()) return;
    CHARFORMAT cf;
    SendMessage(GetSafeHwnd(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    cf.dwMask = kChatMask;
    cf.dwEffects &= ~kChatEffects;
    cf.bCharSet = GB2312_CHARSET;
    const ChatSegment parsed = ParseChatSegment(segment, maxTwips_, linksAllowed_);
    if (parsed.tagged) {
        const ChatStyle& style = parsed.style;
        cf.crTextColor = style.color;
        cf.yHeight = style.twips;
        cf.SetFace(style.face);
        cf.dwEffects |= (style.bold ? CFE_BOLD : 0) | (style.italic ? CFE_ITALIC : 0) |
                        (style.underline ? CFE_UNDERLINE : 0) | (style.link ? CFE_LINK : 0);
        // The picture takes the place of what is selected: the previous piece.
        if (parsed.face) InsertFace(*parsed.face);
    }
    const LONG start = LONG(SendMessage(GetSafeHwnd(), WM_GETTEXTLENGTH));
    SetSel(start, start);
    ReplaceSel(parsed.text);
    SetSel(start, LONG(SendMessage(GetSafeHwnd(), WM_GETTEXTLENGTH)));
    SendMessage(GetSafeHwnd(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    SendMessage(GetSafeHwnd(), EM_HIDESELECTION, 1);
}

void CChatRichEdit::InsertFace(int number) {
    if (number < 0) return;
    const std::string path = faceFolder_ + std::to_string(number) + ".bmp";
    if (!FileExists(path)) return;
    const Surface picture = LoadPictureFile(path);
    if (!picture.Empty()) CImageDataObject::InsertBitmap(*this, picture);
}

}  // namespace client
