// The chat's rich edit: appending a line to a history of N paragraphs and
// laying it out, against laying the whole history out again (what a change
// of width costs, and what every append cost before layout was incremental);
// and one paragraph of N pieces in N formats with address detection on, as
// a hostile chat line or notice makes it (the time must grow with N, not N^2).

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

void BM_OneLongParagraph(benchmark::State& state) {
    for (auto _ : state) {
        Chat chat;
        platform::SendMessage(chat.edit.GetSafeHwnd(), platform::EM_AUTOURLDETECT, 1);
        platform::CHARFORMAT cf = chat.edit.GetDefaultCharFormat();
        cf.dwMask = 0xE8000027;
        for (int i = 0; i < int(state.range(0)); ++i) {
            const platform::LONG end = platform::LONG(chat.edit.Length());
            chat.edit.SetSel(end, end);
            chat.edit.ReplaceSel("www.a" + std::to_string(i) + ".cn ");
            chat.edit.SetSel(end, platform::LONG(chat.edit.Length()));
            cf.crTextColor = platform::COLORREF(i);
            chat.edit.SetSelectionCharFormat(cf);
        }
        benchmark::DoNotOptimize(chat.edit.GetLineCount());
    }
}
BENCHMARK(BM_OneLongParagraph)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
