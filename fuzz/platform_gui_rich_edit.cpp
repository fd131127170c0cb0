// The chat's rich edit fed untrusted text: appended segments with formats
// taken from the input (sizes, faces, effects), pictures, selections,
// scrolling, address detection, deletions and dropped paragraphs, laid out
// step by step, then painted.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/bytes.h"
#include "platform/gui/rich_edit.h"

namespace {

platform::Surface* Picture() {
    static platform::Surface picture(12, 12);
    return &picture;
}

}  // namespace

// Some face names make fontconfig keep a small record it never frees;
// that is fontconfig's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// Fontconfig makes its process-wide tables on first use and frees them only
// at exit; making them before the first input keeps them out of the
// per-input leak check.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* face : {"宋体", "Arial", "no such face"}) {
        platform::Font::Open({.face = face, .height = -12})->MeasureText("a");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto display = std::make_shared<platform::HeadlessDisplay>();
    platform::SetDisplay(display);
    platform::CWnd top;
    top.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 160, 120}, nullptr, 0);
    platform::CRichEditCtrl edit;
    edit.Create(platform::WS_VISIBLE | platform::WS_VSCROLL, {0, 0, 160, 120}, &top, 1);
    platform::SendMessage(edit.GetSafeHwnd(), platform::EM_SETEVENTMASK, 0, platform::ENM_LINK);
    platform::ByteReader in({data, size});
    for (int step = 0; step < 16 && in.ok() && in.remaining() > 0; ++step) {
        const uint8_t op = in.U8();
        const uint8_t length = in.U8();
        auto bytes = in.Bytes(std::min<size_t>(length, in.remaining()));
        std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        switch (op % 8) {
            case 0: {
                const platform::LONG end = platform::LONG(edit.Length());
                edit.SetSel(end, end);
                edit.ReplaceSel(text);
                edit.SetSel(end, platform::LONG(edit.Length()));
                platform::CHARFORMAT cf;
                cf.dwMask = 0xE8000027;
                cf.yHeight = platform::LONG(length) * 40;
                cf.dwEffects = op;
                cf.crTextColor = platform::COLORREF(op) * 0x010203;
                cf.SetFace(text);
                edit.SetSelectionCharFormat(cf);
                break;
            }
            case 1:
                edit.SetSel(platform::LONG(int8_t(op)), platform::LONG(length));
                break;
            case 2:
                edit.InsertPicture(
                    std::shared_ptr<const platform::Surface>(std::shared_ptr<void>(), Picture()));
                break;
            case 3:
                platform::SendMessage(edit.GetSafeHwnd(), platform::WM_VSCROLL, length % 9);
                break;
            case 4:
                platform::SendMessage(edit.GetSafeHwnd(), platform::EM_AUTOURLDETECT, length & 1);
                break;
            case 5:
                platform::SendMessage(edit.GetSafeHwnd(), platform::WM_CLEAR);
                break;
            case 6:
                edit.RemoveLeadingParagraphs(length % 4);
                edit.GetLineCount();
                break;
            default:
                edit.UpdateWindow();
                break;
        }
    }
    edit.Invalidate();
    edit.UpdateWindow();
    edit.GetLineCount();
    edit.GetTextRange(0, edit.Length());
    return 0;
}
