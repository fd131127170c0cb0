#include "client/controls/face_picker.h"

#include <algorithm>
#include <cstdlib>

#include "client/picture_file.h"
#include "platform/gui/icon.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace client {

CFacePickerWnd::CFacePickerWnd() {
    SetClassBackground(0xFFFFFF);
}

CFacePickerWnd::~CFacePickerWnd() {
    Destroy();
}

void CFacePickerWnd::SetNotifyWindow(platform::CWnd* window) {
    notify_ = window ? window->GetSafeHwnd() : platform::HWND{};
}

void CFacePickerWnd::GetSize(int& width, int& height) const {
    width = kCell * kPerRow;
    height = kCell * ((FaceCount() + kPerRow - 1) / kPerRow);
}

platform::UINT CFacePickerWnd::FaceNumber(int index) const {
    CSkinButton* button = FaceButton(index);
    return button ? button->GetDlgCtrlID() : 0;
}

CSkinButton* CFacePickerWnd::FaceButton(int index) const {
    return index >= 0 && size_t(index) < buttons_.size() ? buttons_[size_t(index)].get() : nullptr;
}

void CFacePickerWnd::LoadFaces() {
    images_.Create(kFaceSide, kFaceSide, 0xFFFFFF);
    std::vector<platform::FoundFile> files = platform::FindFiles(folder_ + "*.bmp");
    // The file system lists in no order; faces go in name order.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return platform::LessIgnoringAsciiCase(a.name, b.name);
    });
    for (const auto& file : files) {
        if (buttons_.size() >= kMaxFaces) break;
        if (file.directory || file.readOnly) continue;
        const int number = std::atoi(file.name.c_str());
        if (number <= 0) continue;
        const platform::Surface picture = LoadPictureFile(folder_ + file.name);
        if (!picture.Empty()) AddFace(platform::UINT(number), picture);
    }
}

void CFacePickerWnd::AddFace(platform::UINT number, const platform::Surface& picture) {
    const int index = FaceCount();
    const std::string tip = platform::GetPrivateProfileString(
        "Remark", std::to_string(number).c_str(), "", folder_ + "face.ini", 254);
    const int image = images_.Add(picture);
    auto button = std::make_unique<CSkinButton>();
    const int x = (index % kPerRow) * kCell, y = (index / kPerRow) * kCell;
    if (!button->Create("", platform::WS_VISIBLE, {x, y, x + kCell, y + kCell}, this, number))
        return;
    button->SetIcon(platform::IconFromSurface(*images_.Image(image), images_.MaskColor()));
    button->SetTooltipText(tip.c_str(), true);
    button->SetColor(CSkinButton::kBackOver, 0xFFFFFF, false);
    button->SetColor(CSkinButton::kBackNormal, 0xFFFFFF, false);
    button->OffsetColor(CSkinButton::kBackOver, -255, false);
    buttons_.push_back(std::move(button));
}

platform::LRESULT CFacePickerWnd::OnMessage(platform::Message& msg) {
    using namespace platform;
    switch (msg.message) {
        case WM_CREATE:
            LoadFaces();
            return 0;
        case WM_KILLFOCUS:
            // Losing the focus hides the picker unless the pointer is over it.
            if (!PtInRect(GetWindowRect(), GetCursorPos())) ShowWindow(SW_HIDE);
            return 0;
        case WM_COMMAND: {
            const int id = LOWORD(msg.wParam);
            if (id < 1 || id > int(kMaxFaces)) break;
            ShowWindow(SW_HIDE);
            if (notify_) SendMessage(notify_, kMsgFacePicked, WPARAM(id), 0);
            return 0;
        }
        default:
            break;
    }
    return CWnd::OnMessage(msg);
}

void CImageDataObject::InsertBitmap(platform::CRichEditCtrl& edit,
                                    const platform::Surface& picture) {
    edit.InsertPicture(std::make_shared<const platform::Surface>(picture));
}

}  // namespace client
