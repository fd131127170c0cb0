#pragma once
// CSkinButton: a flat owner-drawn push button or check box. It draws a
// background in one of six state colours (hover or pressed, normal,
// focused; each a background and a text colour), one or two icons, a
// word-wrapped caption and, when disabled, an embossed caption; it tracks
// the pointer for its hover look and shows a tool tip.

#include <array>
#include <memory>
#include <string>

#include "platform/gui/button.h"
#include "platform/gui/icon.h"
#include "platform/gui/tool_tip.h"

namespace client {

class CSkinButton : public platform::CButton {
  public:
    // State colours.
    enum Colour {
        kBackOver = 0,  // mouse over or pressed
        kTextOver = 1,
        kBackNormal = 2,
        kTextNormal = 3,
        kBackFocus = 4,
        kTextFocus = 5,
    };
    static constexpr int kGrayCopy = -2;  // the second icon: a grey copy of the first

    CSkinButton();
    ~CSkinButton() override;

    // Makes the button; a default push button or a check box keeps that
    // nature, drawn by the button itself.
    bool Create(std::string_view text, platform::DWORD style, const platform::RECT& rect,
                platform::CWnd* parent, platform::UINT id);

    // The first icon shows while the pointer is over or the button pressed,
    // the second (when there is one) otherwise; an empty first icon clears
    // both. 1 when an icon cannot be used (both are then dropped), else 0.
    int SetIcon(const platform::Icon& over, const platform::Icon& normal = {});
    int SetIconWithGrayCopy(const platform::Icon& over);
    // From the program's icon resources; `normalId` 0 means none, kGrayCopy a grey copy.
    int SetIconResource(int overId, int normalId = 0);
    static platform::Icon CreateGrayIcon(const platform::Icon& icon);

    // 3 for a bad number, 5 for a shade outside -255..255, else 0.
    int SetColor(int number, platform::COLORREF colour, bool repaint = true);
    int OffsetColor(int number, int shade, bool repaint = true);
    platform::COLORREF GetColor(int number) const;
    void SetDefaultColors(bool repaint = true);
    void SetTooltipText(const char* text, bool activate = true);
    // Check boxes only.
    void SetCheck(int checked, bool repaint = true);
    int GetCheck() const { return checked_; }

    bool IsCheckBox() const { return checkBox_; }
    bool IsDefault() const { return default_; }
    bool MouseOnButton() const { return mouseOn_; }
    const platform::CToolTipCtrl* ToolTip() const { return tip_.get(); }

  protected:
    // Slots, in order.
    void DrawItem(platform::DRAWITEMSTRUCT& item) override;
    virtual void OnDrawBackground(platform::Painter& painter, const platform::RECT& rect);
    virtual int OnDrawBorder(platform::Painter& painter, const platform::RECT& rect);
    virtual void DrawTheIcon(platform::Painter& painter, const platform::RECT& client,
                             platform::RECT& caption);
    virtual void DrawTheBitmap(platform::Painter& painter, const platform::RECT& client);
    virtual void DrawTheText(platform::Painter& painter, const platform::RECT& caption);

    void OnClicked() override;
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    void EndHover();
    void FocusNextTabStop();

    platform::POINT imageOrigin_{3, 3};
    platform::POINT pressedOffset_{1, 1};
    bool mouseOn_ = false;
    bool pressed_ = false;
    bool focused_ = false;
    bool disabled_ = false;
    bool default_ = false;
    bool checkBox_ = false;
    std::array<platform::COLORREF, 6> colours_{};
    std::unique_ptr<platform::CToolTipCtrl> tip_;
    int checked_ = 0;
    platform::DWORD buttonType_ = 31;
    std::array<platform::Icon, 2> icons_;
};

}  // namespace client
