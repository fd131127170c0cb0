// Slide popups, the notice popup and the wait dialog, on a headless display
// with the clock driven.

#include <gtest/gtest.h>

#include "client/framework_dialogs.h"
#include "client/notice_popup.h"
#include "client/picture_file.h"
#include "client/tests/ui_fixture.h"
#include "platform/audio/recording_audio.h"
#include "platform/clock.h"
#include "platform/gui/sys_colors.h"
#include "platform/paths.h"
#include "platform/program_resources.h"
#include "tools/assetgen/writers.h"

namespace client {
namespace {

using testing::Pump;
using testing::UiFixture;

class RecordingPopup : public CSlidePopupDlg {
  public:
    RecordingPopup(std::vector<std::string>* log) : log_(log) {}

  protected:
    void OnSlideUpHalf() override { log_->push_back("up half"); }
    void OnShown() override { log_->push_back("shown"); }
    void OnSlideDownTwoThirds() override { log_->push_back("down two thirds"); }
    void OnSlideDownHalf() override { log_->push_back("down half"); }

  private:
    std::vector<std::string>* log_;
};

class PopupTest : public ::testing::Test {
  protected:
    PopupTest() { CSlidePopupDlg::ResetMilestones(); }
    ~PopupTest() override { CSlidePopupDlg::DestroyAll(); }
    void Advance(int ms) {
        for (int t = 0; t < ms; t += 20) {
            clock_.AdvanceMillis(20);
            Pump();
        }
    }
    RecordingPopup* Open(int height, int staySeconds) {
        auto* popup = CSlidePopupDlg::Make<RecordingPopup>(&log_);
        popup->SetSize(100, height);
        popup->SetStaySeconds(staySeconds);
        EXPECT_TRUE(popup->Show(148, nullptr, nullptr));
        return popup;
    }

    UiFixture ui_;
    platform::ManualClock clock_;
    platform::ScopedClock scoped_{clock_};
    std::vector<std::string> log_;
};

TEST_F(PopupTest, SlidesUpStaysAndSlidesAwayRunningEachMilestoneOncePerRun) {
    RecordingPopup* popup = Open(20, 1);
    EXPECT_EQ(popup->CurrentRect().Height(), 0);
    EXPECT_EQ(CSlidePopupDlg::OpenCount(), 1);
    const std::vector<int> up = {5, 10, 15, 20};
    for (int height : up) {
        Advance(20);
        EXPECT_EQ(popup->CurrentRect().Height(), height);
        EXPECT_EQ(popup->GetWindowRect().Height(), height);
        EXPECT_EQ(popup->GetWindowRect().bottom, 768);
    }
    EXPECT_EQ(log_, (std::vector<std::string>{"up half", "shown"}));
    Advance(980);
    EXPECT_EQ(popup->CurrentRect().Height(), 20);  // staying
    Advance(40);                                   // the stay ends, one step down
    EXPECT_FALSE(popup->SlidingUp());
    EXPECT_EQ(popup->CurrentRect().Height(), 15);
    Advance(20);
    EXPECT_EQ(log_.size(), 4u);  // 10 of 20: two thirds and half at once
    Advance(40);
    EXPECT_EQ(CSlidePopupDlg::OpenCount(), 0);  // gone, and deleted
    // The second popup of the run only shows.
    log_.clear();
    Open(20, 0);
    Advance(200);
    EXPECT_EQ(log_, (std::vector<std::string>{"shown"}));
    EXPECT_EQ(CSlidePopupDlg::OpenCount(), 0);  // a stay of 0 slides down at once
}

TEST_F(PopupTest, OpenPopupsStackTenPixelsApartAndGoWithTheirOwner) {
    platform::CWnd owner, front;
    ASSERT_TRUE(owner.CreateEx(0, "", platform::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    ASSERT_TRUE(front.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 10, 10},
                               nullptr, 0));
    auto* first = CSlidePopupDlg::Make<CSlidePopupDlg>(owner.GetSafeHwnd());
    first->SetLeft(500);
    ASSERT_TRUE(first->Show(148, nullptr, &front));
    EXPECT_EQ(ui_.display->Raised(), front.GetSafeHwnd().value);
    auto* second = CSlidePopupDlg::Make<CSlidePopupDlg>();
    second->SetLeft(500);
    second->MoveUp(30);
    ASSERT_TRUE(second->Show(148, nullptr, nullptr));
    auto* third = CSlidePopupDlg::Make<CSlidePopupDlg>();
    ASSERT_TRUE(third->Show(148, nullptr, nullptr));
    EXPECT_EQ(first->CurrentRect().left, 500);
    EXPECT_EQ(second->CurrentRect().left, 490);
    EXPECT_EQ(second->CurrentRect().bottom, 738);
    EXPECT_EQ(third->CurrentRect().left, 1024 - 250 - 20);
    EXPECT_EQ(CSlidePopupDlg::OpenCount(), 3);
    CSlidePopupDlg::DestroyAll(owner.GetSafeHwnd());
    Pump();
    EXPECT_EQ(CSlidePopupDlg::OpenCount(), 2);
    CSlidePopupDlg::DestroyAll();
    EXPECT_EQ(CSlidePopupDlg::OpenCount(), 0);
}

// Records the answers the notice popup gives its owner.
class Pane : public platform::CWnd {
  public:
    ~Pane() override { Destroy(); }
    std::vector<std::pair<platform::WPARAM, platform::LPARAM>> answers;

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override {
        if (msg.message == kMsgSeeHandAnswer) answers.emplace_back(msg.wParam, msg.lParam);
        return CWnd::OnMessage(msg);
    }
};

TEST_F(PopupTest, TheNoticePopupAnswersItsOwnerOnce) {
    auto recorder = std::make_unique<platform::RecordingAudio>();
    platform::RecordingAudio* audio = recorder.get();
    platform::SetAudio(std::make_shared<platform::Audio>(std::move(recorder)));
    Pane pane;
    ASSERT_TRUE(pane.CreateEx(0, "", platform::WS_POPUP, {0, 0, 10, 10}, nullptr, 0));
    for (const int agree : {1, 0}) {
        auto* popup = CSlidePopupDlg::Make<CNoticePopupDlg>(pane.GetSafeHwnd());
        popup->SetRequestData(4242);
        popup->SetSize(160, 80);
        ASSERT_TRUE(popup->Show(kNoticePopupTemplate, nullptr, nullptr));
        Advance(400);
        // Without a portrait file the program's own picture shows.
        auto* portrait =
            dynamic_cast<CPictureView*>(popup->GetDlgItem(CNoticePopupDlg::kIdPortrait));
        ASSERT_NE(portrait, nullptr);
        EXPECT_EQ(portrait->Picture(), LoadBitmapResource(kDefaultPortraitBitmap));
        auto* link =
            popup->GetDlgItem(agree ? CNoticePopupDlg::kIdAgree : CNoticePopupDlg::kIdRefuse);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->GetWindowText(), agree ? "同意" : "拒绝");
        ui_.Click(*link, {4, 4});
        ui_.Click(*link, {4, 4});  // a second click answers nothing
        EXPECT_TRUE(popup->Answered());
        EXPECT_FALSE(link->IsWindowEnabled());
        EXPECT_FALSE(popup->SlidingUp());
        Pump();
        Advance(400);
        EXPECT_EQ(CSlidePopupDlg::OpenCount(), 0);
    }
    EXPECT_EQ(pane.answers,
              (std::vector<std::pair<platform::WPARAM, platform::LPARAM>>{{4242, 1}, {4242, 0}}));
    const auto sound = platform::ReadFileBytes(
        platform::ProgramResourcePath(platform::ResourceType::kSound, kSoundAgree), 1 << 20);
    ASSERT_TRUE(sound);
    EXPECT_EQ(audio->Played(), (std::vector<std::vector<uint8_t>>{*sound, *sound}));
    platform::SetAudio(nullptr);
}

}  // namespace
}  // namespace client
