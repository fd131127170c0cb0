#pragma once
// CChatRichEdit: the read-only rich edit of the chat pane, which renders
// chat markup (client/chat_markup.h) by appending to its text: each piece
// is added at the end and given the format its tag describes, face tags
// insert face pictures from the face folder, and the view follows the last
// line. The history keeps at most kMaxChatParagraphs paragraphs: past that
// the oldest quarter goes at once; the same when it holds too many characters.

#include <string>
#include <string_view>

#include "platform/font/font.h"
#include "platform/gui/rich_edit.h"

namespace client {

inline constexpr size_t kMaxChatParagraphs = 500;
// And at most this many characters, whole paragraphs going first (a last
// paragraph longer than that stays).
inline constexpr size_t kMaxChatChars = 100'000;

// The rich edit is part of the window system here: nothing to load.
inline bool InitRichEdit20() {
    return true;
}

class CChatRichEdit : public platform::CRichEditCtrl {
  public:
    CChatRichEdit() = default;
    ~CChatRichEdit() override = default;

    virtual void SetAutoUrlDetect(bool on);
    virtual bool Create(platform::DWORD style, const platform::RECT& rect, platform::CWnd* parent,
                        platform::UINT id);

    // Sizes of tags above this many twips are cut to it.
    void SetMaxCharSize(int twips) { maxTwips_ = twips; }
    // The folder of the face pictures "<n>.bmp", with its trailing separator.
    void SetFaceFolder(std::string folder) { faceFolder_ = std::move(folder); }
    // Whether the "l" effect of a tag makes a link.
    void SetLinksAllowed(bool allowed) { linksAllowed_ = allowed; }
    // The chat's default font: "宋体", 12 pixels, GB2312.
    void SetDefaultFont();

    void AppendMarkup(std::string_view markup);
    // Face picture `number` at the selection, replacing it; nothing when
    // the picture is missing or unreadable.
    void InsertFace(int number);

  private:
    void AppendSegment(std::string_view segment);

    int maxTwips_ = 2000;
    platform::FontSpec defaultFont_;
    std::string faceFolder_;
    bool linksAllowed_ = true;
};

}  // namespace client
