// The chat's rich edit: appending a line to a history of N paragraphs and
// laying it out, against laying the whole history out again (what a change
// of width costs, and what every append cost before layout was incremental).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/gui/display.h"
#include "platform/gui/rich_edit.h"

namespace {

struct Chat {
    platform::CWnd top;
    platform::CRichEditCtrl edit;
    Chat() {
        static auto display = std::make_shared<platform::HeadlessDisplay>();
        platform::SetDisplay(display);
        top.CreateEx(0, "", platform::WS_POPUP, {0, 0, 300, 400}, nullptr, 0);
        edit.Create(platform::WS_VISIBLE | platform::WS_VSCROLL, {0, 0, 300, 400}, &top, 1);
    }
    void AppendLine(int i) {
        const platform::LONG end = platform::LONG(edit.Length());
        edit.SetSel(end, end);
        edit.ReplaceSel(" 玩家" + std::to_string(i) + "说: 出牌快一点 hurry up please\r\n");
        platform::CHARFORMAT cf = edit.GetDefaultCharFormat();
        cf.dwMask = 0xE8000027;
        cf.crTextColor = platform::COLORREF(i % 3) * 0x404040;
        edit.SetSel(end, platform::LONG(edit.Length()));
        edit.SetSelectionCharFormat(cf);
    }
};

void BM_AppendLine(benchmark::State& state) {
    Chat chat;
    const int history = int(state.range(0));
    for (int i = 0; i < history; ++i)
        chat.AppendLine(i);
    chat.edit.GetLineCount();
    int i = 0;
    for (auto _ : state) {
        chat.AppendLine(i);
        benchmark::DoNotOptimize(chat.edit.GetLineCount());
        // The history stays near its size: the oldest lines go in batches.
        if (++i % 64 == 0) chat.edit.RemoveLeadingParagraphs(64);
    }
}
BENCHMARK(BM_AppendLine)->Arg(10)->Arg(500)->Arg(5000);

void BM_FullLayout(benchmark::State& state) {
    Chat chat;
    for (int i = 0; i < int(state.range(0)); ++i)
        chat.AppendLine(i);
    int width = 300;
    for (auto _ : state) {
        width = width == 300 ? 301 : 300;
        chat.edit.MoveWindow({0, 0, width, 400});
        benchmark::DoNotOptimize(chat.edit.GetLineCount());
    }
}
BENCHMARK(BM_FullLayout)->Arg(10)->Arg(500)->Arg(5000);

}  // namespace

BENCHMARK_MAIN();
