#pragma once
// CSkinSplitterWnd: the static splitter of the main frame, with thin bars.
// Until a skin is applied (style 0) its borders are 3-D frames; with style
// 2 it draws no borders and covers its bars with the skin's bar pictures,
// repeated from each bar's top-left corner (the vertical picture for bars
// no wider than high, the horizontal one otherwise). The pictures belong to
// the skin.

#include <memory>

#include "platform/gui/splitter.h"

namespace client {

class CSkinSplitterWnd : public platform::CSplitterWnd {
  public:
    CSkinSplitterWnd();
    ~CSkinSplitterWnd() override { Destroy(); }

    void SetBarBitmaps(std::shared_ptr<const platform::Surface> vertical,
                       std::shared_ptr<const platform::Surface> horizontal);
    void SetDrawStyle(int style) { style_ = style; }
    int DrawStyle() const { return style_; }
    void SetBorder(int cx, int cy) {
        m_cxBorder = cx;
        m_cyBorder = cy;
    }

  protected:
    void OnDrawSplitter(platform::Painter* painter, ESplitType type,
                        const platform::RECT& rect) override;

  private:
    int style_ = 0;
    std::shared_ptr<const platform::Surface> vertical_;
    std::shared_ptr<const platform::Surface> horizontal_;
};

}  // namespace client
