#include "client/controls/color_step_bar.h"

#include <algorithm>

#include "platform/message_queue.h"

namespace client {
namespace {

// One channel of `from` moved a step towards `target`, not past it.
int StepTowards(int from, int step, int target) {
    const int v = from - step;
    if (step == 0) return from;
    return step > 0 ? std::max(v, target) : std::min(v, target);
}

}  // namespace

CColorStepBar::CColorStepBar() {
    SetColors(0, 0xFFFFFF);
}

CColorStepBar::~CColorStepBar() {
    Destroy();
}

void CColorStepBar::SetColors(platform::COLORREF base, platform::COLORREF background) {
    base_ = base;
    background_ = background;
    int steps[3];
    for (int c = 0; c < 3; ++c)
        steps[c] = (int(base >> (8 * c) & 0xFF) - int(background >> (8 * c) & 0xFF)) / 3;
    auto toward = [&](platform::COLORREF from) {
        platform::COLORREF out = 0;
        for (int c = 0; c < 3; ++c) {
            const int v = StepTowards(int(from >> (8 * c) & 0xFF), steps[c],
                                      int(background >> (8 * c) & 0xFF));
            out |= platform::COLORREF(v) << (8 * c);
        }
        return out;
    };
    cells_[kBaseCell] = base;
    for (int i = kBaseCell - 1; i >= 0; --i)
        cells_[size_t(i)] = toward(cells_[size_t(i + 1)]);
    for (int i = kBaseCell + 1; i < kCells; ++i)
        cells_[size_t(i)] = toward(cells_[size_t(i - 1)]);
    if (GetSafeHwnd()) Invalidate(false);
}

void CColorStepBar::Start(platform::UINT intervalMs) {
    if (!GetSafeHwnd()) return;
    platform::KillTimer(Handle(), kTimer);
    running_ = platform::SetTimer(Handle(), kTimer, intervalMs) != 0;
}

void CColorStepBar::Stop() {
    if (GetSafeHwnd()) platform::KillTimer(Handle(), kTimer);
    running_ = false;
}

void CColorStepBar::Rotate() {
    if (forward_) {
        std::rotate(cells_.rbegin(), cells_.rbegin() + 1, cells_.rend());
    } else {
        std::rotate(cells_.begin(), cells_.begin() + 1, cells_.end());
    }
    if (GetSafeHwnd()) Invalidate(false);
}

void CColorStepBar::Paint(platform::Painter& painter) {
    const platform::RECT client = GetClientRect();
    painter.FillSolidRect(client, background_);
    const int length = horizontal_ ? client.Width() : client.Height();
    const int cell = length / kCells;
    for (int i = 0; i < kCells; ++i) {
        const int from = i * cell;
        const int to = i + 1 == kCells ? length : from + cell;
        const platform::RECT r = horizontal_ ? platform::RECT{from, 0, to, client.bottom}
                                             : platform::RECT{0, from, client.right, to};
        painter.FillSolidRect(r, cells_[size_t(i)]);
    }
}

platform::LRESULT CColorStepBar::OnMessage(platform::Message& msg) {
    switch (msg.message) {
        case platform::WM_PAINT: {
            platform::PAINTSTRUCT ps;
            platform::Painter painter = BeginPaint(ps);
            Paint(painter);
            EndPaint(ps);
            return 0;
        }
        case platform::WM_ERASEBKGND:
            return 1;
        case platform::WM_TIMER:
            if (msg.wParam == kTimer) {
                Rotate();
                return 0;
            }
            break;
        case platform::WM_DESTROY:
            Stop();
            break;
        default:
            break;
    }
    return CStatic::OnMessage(msg);
}

}  // namespace client
