// Chat markup from peers: pieces must cover the input exactly, tags must
// keep their limits, and the chat's rich edit must render any of it (with
// face pictures from a folder that has a few) without fault.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "client/chat_markup.h"
#include "client/controls/chat_rich_edit.h"
#include "platform/gui/display.h"

namespace {

std::string FaceFolder() {
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() / "qevo_fuzz_faces";
        std::filesystem::create_directories(dir);
        // A 1 x 1 24-bit BMP, and a file that is not one.
        const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0,   0, 0,  40,
                                     0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1,   0, 24, 0,
                                     0,   0,   0,  0, 4, 0, 0, 0, 0, 0, 0,  0,   0, 0,  0,
                                     0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  255, 0};
        std::ofstream(dir / "5.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp), sizeof bmp);
        std::ofstream(dir / "6.bmp", std::ios::binary) << "not a picture";
        return dir.string() + "/";
    }();
    return folder;
}

}  // namespace

// Some face names make fontconfig keep a small record it never frees;
// that is fontconfig's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* face : {"宋体", "Arial", "no such face"})
        platform::Font::Open({.face = face, .height = -12})->MeasureText("a");
    FaceFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string markup(reinterpret_cast<const char*>(data), size);
    std::string joined;
    for (std::string_view piece : client::SplitMarkup(markup)) {
        if (!joined.empty() && piece.front() != '<') std::abort();
        joined += piece;
        const client::ChatSegment s = client::ParseChatSegment(piece, 300, true);
        if (s.style.twips > 300 || s.style.face.size() > 31) std::abort();
        if (s.face && (*s.face < -99 || *s.face > 999)) std::abort();
        if (piece.substr(piece.size() - s.text.size()) != s.text) std::abort();
    }
    if (joined != markup) std::abort();
    const std::string words = client::ReceivedChatWords({data, size});
    if (words.find_first_of("\r\n") != std::string::npos) std::abort();

    static auto display = std::make_shared<platform::HeadlessDisplay>();
    platform::SetDisplay(display);
    platform::CWnd top;
    top.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 160, 120}, nullptr, 0);
    client::CChatRichEdit chat;
    chat.Create(platform::WS_VISIBLE | platform::WS_VSCROLL | platform::ES_READONLY,
                {0, 0, 160, 120}, &top, 1005);
    chat.SetDefaultFont();
    chat.SetFaceFolder(FaceFolder());
    chat.SetAutoUrlDetect(size % 2 == 0);
    chat.AppendMarkup(markup);
    chat.AppendMarkup(words);
    chat.UpdateWindow();
    return 0;
}
