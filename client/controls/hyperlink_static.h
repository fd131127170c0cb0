#pragma once
// CHyperLinkStatic: static text that looks like a link: drawn in the link
// colour, in the hover colour while the pointer is over it, on a transparent
// background, with the hand cursor and its URL as a tool tip. Clicks reach
// the parent as STN_CLICKED, a command of the control's id.

#include <memory>
#include <string>

#include "platform/gui/static_control.h"
#include "platform/gui/tool_tip.h"

namespace client {

class CHyperLinkStatic : public platform::CStatic {
  public:
    static constexpr platform::COLORREF kLinkColour = 0xEE0000;
    static constexpr platform::COLORREF kVisitedColour = 0x8B1A55;

    CHyperLinkStatic();
    ~CHyperLinkStatic() override;

    // Makes the link; the text is its URL unless SetURL gave one.
    bool Create(std::string_view text, platform::DWORD style, const platform::RECT& rect,
                platform::CWnd* parent, platform::UINT id);
    // A hover colour of CLR_INVALID (-1) means the highlight colour.
    void SetColours(platform::COLORREF link, platform::COLORREF visited,
                    platform::COLORREF hover = platform::CLR_INVALID);
    void SetUnderline(bool underline);
    void SetLinkCursor(platform::HCURSOR cursor) { cursor_ = cursor; }
    void SetURL(std::string url) { url_ = std::move(url); }
    const std::string& URL() const { return url_; }
    bool PointerOver() const { return over_; }
    platform::COLORREF TextColour() const;
    platform::COLORREF VisitedColour() const { return visited_; }
    const platform::CToolTipCtrl* ToolTip() const { return tip_.get(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;
    const platform::Brush* CtlColor(platform::Painter& painter) override;

  private:
    void SetOver(bool over);

    platform::COLORREF link_ = kLinkColour;
    platform::COLORREF visited_ = kVisitedColour;
    platform::COLORREF hover_;
    bool over_ = false;
    bool underline_ = false;
    std::string url_;
    platform::HCURSOR cursor_ = 0;
    std::unique_ptr<platform::CToolTipCtrl> tip_;
};

}  // namespace client
