// Dispatches untrusted notification payloads to the framework's handlers.
// The first byte picks the id; the rest is the data. Handlers that open a
// message box are left out (they wait for the user); the others must refuse
// short data and never read past it.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "client/game_app.h"
#include "client/notify_handler.h"

namespace {

class QuietFrame : public client::GameFrameAccess {
  public:
    platform::HWND Handle() const override { return {}; }
    bool HasChatView() const override { return true; }
    void ChatWords(std::span<const uint8_t> data) override { Touch(data); }
    void ChatCall(std::span<const uint8_t> data) override { Touch(data); }
    void RefreshPlayerValues(std::span<const uint8_t> data) override { Touch(data); }

  private:
    static void Touch(std::span<const uint8_t> data) {
        volatile uint8_t sum = 0;
        for (uint8_t b : data)
            sum = uint8_t(sum + b);
    }
};

client::CGameApp& App() {
    static client::CGameApp* app = [] {
        setenv("QEVO_HALL_DIR", "/nonexistent-qevo-fuzz", 1);
        auto* a = new client::CGameApp("Qevo", 31201, 14, 0);
        a->SetCommandLine("\"7|127.0.0.1|3|1|0|101|5|0|0\"");
        a->ParseLaunchLine();
        client::HallTableState state;
        for (uint32_t i = 0; i < 4; ++i) {
            client::PlayerRecord p;
            p.userId = 101 + i;
            p.chair = int32_t(i);
            p.userName = "p";
            state.seated.push_back(p);
        }
        state.table.seatedCount = 4;
        a->SetTableState(state);
        static QuietFrame frame;
        a->SetMainFrame(&frame);
        return a;
    }();
    return *app;
}

const uint32_t kIds[] = {client::kNotePlayerValues,
                         client::kNotePlayerQuit,
                         client::kNoteChatWords,
                         client::kNoteCall,
                         client::kNote211025,
                         client::kNoteLookerLeft,
                         211100};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 64 * 1024) return 0;
    App();
    client::CGameNotifyHandler handler;
    handler.Dispatch(kIds[data[0] % (sizeof(kIds) / sizeof(kIds[0]))], {data + 1, size - 1});
    return 0;
}
