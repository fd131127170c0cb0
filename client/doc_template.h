#pragma once
// The single-document template: the factories of the document, the main
// frame and the view that the file-new command makes. The frame makes its
// own panes; the view is what a frame without panes shows.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "client/game_frame.h"
#include "client/game_view.h"

namespace client {

struct OpenedDocument {
    std::unique_ptr<CGameDoc> document;
    std::unique_ptr<CGameFrameWnd> frame;  // made, hidden, initially updated
};

struct CSingleDocTemplate {
    uint32_t resourceId = 128;
    std::function<std::unique_ptr<CGameDoc>()> document = CGameDoc::CreateObject;
    std::function<std::unique_ptr<CGameFrameWnd>()> frame;
    std::function<std::unique_ptr<platform::CWnd>()> view = CGameView::CreateObject;

    // The file-new command; an empty result when the document or the frame
    // could not be made.
    OpenedDocument OpenNew(const std::string& caption) const;
};

}  // namespace client
