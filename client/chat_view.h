#pragma once
// CGameChatView: the chat pane. The history is a read-only CChatRichEdit;
// below it an editable drop-down box takes the player's words (Enter sends
// them) and a face button at its right opens the face picker (so does
// Escape). Everything shown is chat markup. The pane sends words and faces
// through the session (at most one every two seconds), echoes them, writes
// the server's chat and call notices and the framework's notices, and is
// the sink of 0x81C8, by which any part of the client appends a line.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "client/controls/chat_rich_edit.h"
#include "client/controls/face_picker.h"
#include "client/controls/skin_button.h"
#include "client/game_view.h"
#include "client/hall_records.h"
#include "platform/gui/combo_box.h"

namespace client {

inline constexpr platform::UINT kMsgChatLink = 0x81CB;
inline constexpr platform::UINT kMsgClearChat = 0x816A;
inline constexpr uint32_t kFaceButtonIcon = 152;

class CGameChatView : public CGameFormView {
  public:
    static constexpr platform::UINT kChatId = 1005;
    static constexpr platform::UINT kInputId = 1;
    static constexpr platform::UINT kFaceButtonId = 2;
    static constexpr uint32_t kSendIntervalMs = 2000;
    // The input is read into a 62-byte buffer.
    static constexpr size_t kMaxWordsBytes = 61;
    // Received words are cut to this many bytes.
    static constexpr size_t kMaxReceivedWordsBytes = 128;
    static constexpr size_t kMaxPhraseBytes = 1023;  // one entry of the phrase list
    static constexpr int kInputDropHeight = 200;
    static constexpr int kPlainMaxTwips = 300;
    static constexpr int kSystemMaxTwips = 3000;
    static constexpr platform::COLORREF kWordsColor = 8421440;
    static constexpr platform::COLORREF kLookerColor = 2906200;
    static constexpr platform::COLORREF kCallColor = 32768;
    static constexpr platform::COLORREF kWelcomeColor = 10715996;

    CGameChatView();
    ~CGameChatView() override;
    static std::unique_ptr<CGameChatView> CreateObject() {
        return std::make_unique<CGameChatView>();
    }

    // Slots, continuing those of CGameFormView.
    virtual void OnSend();
    virtual void SendFace(int face);
    // Markup that may carry links and large sizes.
    virtual void AppendSystemText(const std::string& markup);
    virtual void ShowLookerEntered(const PlayerRecord& record);
    virtual void ShowLookerLeft(const PlayerRecord& record);
    virtual void OnChatWords(std::span<const uint8_t> payload);
    virtual void OnCall(std::span<const uint8_t> payload);
    virtual void SetMaxCharSize(int twips) { chat_.SetMaxCharSize(twips); }
    virtual void SetFaceButtonIcon(int iconId);
    virtual void SetFaceFolder(const std::string& folder);
    virtual void LoadPhrases(const std::string& path);
    virtual void SetLinksEnabled(bool on);
    virtual void ShowFaceButton(bool show);
    virtual void CreatePaneFont();
    virtual void CreateInputBox();
    virtual void CreateFaceButton();

    void OnInitialUpdate() override;

    CChatRichEdit& ChatText() { return chat_; }
    platform::CComboBox& InputBox() { return input_; }
    CSkinButton& FaceButton() { return faceButton_; }
    // Null until the face button was first clicked.
    CFacePickerWnd* FacePicker() { return picker_.get(); }

  protected:
    platform::LRESULT OnMessage(platform::Message& msg) override;

  private:
    // The colour tag of a user's words: red, bold and big for flag 0x1000.
    static std::string WordsColorTag(uint32_t userId);
    // Whether the last send was less than two seconds ago.
    bool TooSoon() const;
    void Append(const std::string& markup);
    void Welcome();
    void OpenFacePicker();
    platform::LRESULT OnLink(const platform::ENLINK& link);
    void Layout(int cx, int cy);

    uint32_t lastSend_ = 0;
    bool sent_ = false;
    bool faceButtonShown_ = true;
    CChatRichEdit chat_;
    platform::CComboBox input_;
    CSkinButton faceButton_;
    std::unique_ptr<CFacePickerWnd> picker_;
    std::string faceFolder_;
    platform::FontSpec paneFont_;
};

}  // namespace client
