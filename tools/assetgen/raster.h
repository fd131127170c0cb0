#pragma once
// Picture operations of the generated art. Shapes are drawn large with the
// painter and averaged down to their cells, which smooths edges and text;
// cells are turned by quarter turns, laid over one another and joined into
// strips; pictures for files without alpha are cut to a colour key.

#include <vector>

#include "platform/gui/surface.h"

namespace assetgen {

// `source` averaged to width x height: each target pixel is the mean of the
// source area it covers, weighted by alpha (no dark fringes at clear edges).
platform::Surface Resample(const platform::Surface& source, int width, int height);
// Turned clockwise by `quarterTurns` x 90 degrees.
platform::Surface Turn(const platform::Surface& source, int quarterTurns);
// `layer` over `base`, its top-left corner at (x, y), mixed by its alpha.
void Over(platform::Surface& base, const platform::Surface& layer, int x, int y);
// Pixels at least half opaque become opaque; the others become `key`.
void CutToKey(platform::Surface& picture, platform::COLORREF key);
// Cells side by side.
platform::Surface Row(const std::vector<platform::Surface>& cells);

}  // namespace assetgen
