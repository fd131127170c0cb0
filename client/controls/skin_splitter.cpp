#include "client/controls/skin_splitter.h"

#include <algorithm>

namespace client {

CSkinSplitterWnd::CSkinSplitterWnd() {
    m_cxSplitter = m_cySplitter = 5;
    m_cxSplitterGap = m_cySplitterGap = 5;
    m_cxBorder = m_cyBorder = 1;
}

void CSkinSplitterWnd::SetBarBitmaps(std::shared_ptr<const platform::Surface> vertical,
                                     std::shared_ptr<const platform::Surface> horizontal) {
    vertical_ = std::move(vertical);
    horizontal_ = std::move(horizontal);
    if (GetSafeHwnd()) Invalidate();
}

void CSkinSplitterWnd::OnDrawSplitter(platform::Painter* painter, ESplitType type,
                                      const platform::RECT& rect) {
    if (!painter) return;
    if (style_ != 2) {
        CSplitterWnd::OnDrawSplitter(painter, type, rect);
        return;
    }
    if (type == splitBorder) return;
    CSplitterWnd::OnDrawSplitter(painter, type, rect);
    if (type != splitBar) return;
    const auto& picture = rect.Width() <= rect.Height() ? vertical_ : horizontal_;
    if (!picture || picture->Width() == 0 || picture->Height() == 0) return;
    for (int y = rect.top; y < rect.bottom; y += picture->Height()) {
        for (int x = rect.left; x < rect.right; x += picture->Width()) {
            painter->BitBlt(x, y, std::min(picture->Width(), rect.right - x),
                            std::min(picture->Height(), rect.bottom - y), *picture, 0, 0);
        }
    }
}

}  // namespace client
