#pragma once
// CSlidePopupDlg: the small notice windows that slide up from the bottom
// edge of the work area, stay a while and slide down again, painted with a
// vertical gradient (the upper half in the text colour, the lower half
// fading to the back colour). Each popup opened while others are open
// starts 10 pixels further left per open popup, also after SetLeft.
//
// Popups live in a registry: Make creates one, the registry owns it, and a
// popup is deleted once its window is gone (slid away or destroyed with
// DestroyAll, which the main frame calls as it ends). The owner is kept by
// handle, so a popup never reaches an owner that has gone.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>

#include "client/controls/gradient_fill.h"
#include "platform/gui/dialog.h"

namespace client {

class CSlidePopupDlg : public platform::CDialog {
  public:
    static constexpr platform::UINT_PTR kSlideTimer = 10;
    static constexpr platform::UINT_PTR kStayTimer = 100;
    static constexpr platform::UINT kSlideMs = 20;
    static constexpr int kSlideStep = 5;
    static constexpr int kStackStep = 10;
    static constexpr uint32_t kAnswerSound = 29010;

    // A new popup, owned by the registry.
    template <class Popup, class... Args>
    static Popup* Make(Args&&... args) {
        auto popup = std::make_unique<Popup>(std::forward<Args>(args)...);
        Popup* raw = popup.get();
        Adopt(std::move(popup));
        return raw;
    }
    // Popups shown and not yet gone.
    static int OpenCount();
    // The popup made last and not yet destroyed, or null.
    static CSlidePopupDlg* Newest();
    // Destroys every popup of `owner`, or every popup.
    static void DestroyAll(platform::HWND owner = {});
    // The milestone hooks run once per run of the program; this starts a new run.
    static void ResetMilestones();

    explicit CSlidePopupDlg(platform::HWND owner = {});
    ~CSlidePopupDlg() override;

    void MoveUp(int pixels) { workBottom_ -= pixels; }
    // The left edge; popups already open push it left in steps of 10.
    void SetLeft(int x);
    void SetSize(int width, int height);
    void SetStaySeconds(int seconds) { stayMs_ = seconds * 1000; }
    void SetTextColour(platform::COLORREF colour) { textColour_ = colour; }
    void SetBackColour(platform::COLORREF colour) { backColour_ = colour; }

    // Makes the window (zero high at the work area's bottom) on the desktop,
    // raises `front` when it is a window, and starts sliding up.
    bool Show(platform::UINT templateId, platform::CWnd* foreground, platform::CWnd* front);
    void StartSlideDown();

    // A popup that asks the player ends with the first answer of its links:
    // they are disabled, the link sound plays, the popup slides away and
    // `message` (data, 1 to agree or 0) goes to the owner. False, doing
    // nothing, once answered.
    bool PostAnswer(platform::UINT message, platform::WPARAM data, bool agree,
                    std::initializer_list<platform::CWnd*> links);
    bool Answered() const { return answered_; }

    platform::HWND Owner() const { return owner_; }
    platform::UINT TemplateId() const { return templateId_; }
    platform::RECT CurrentRect() const { return rect_; }
    int FullHeight() const { return height_; }
    bool SlidingUp() const { return slidingUp_; }

  protected:
    // Slots, in order: the milestones of the slide.
    virtual void OnSlideDownTwoThirds() {}
    virtual void OnSlideUpHalf() {}
    virtual void OnShown() {}
    virtual void OnSlideDownHalf() {}

    bool OnInitDialog() override { return true; }
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    static void Adopt(std::unique_ptr<CSlidePopupDlg> popup);
    void Slide();
    void Place();

    platform::HWND owner_;
    platform::UINT templateId_ = 0;
    platform::COLORREF backColour_ = 0xFFFFFF;
    platform::COLORREF textColour_ = 0;
    platform::RECT rect_{};
    int workBottom_ = 0;
    int left_ = 0;
    int width_ = 240;
    int height_ = 120;
    int stayMs_ = 3000;
    bool slidingUp_ = true;
    bool answered_ = false;
    bool counted_ = false;
    CGradientFill gradient_;
};

}  // namespace client
