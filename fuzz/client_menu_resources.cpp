// Menu templates and toolbar resources from untrusted bytes. The first byte
// picks the reader. A template that reads must build a menu and come back
// the same through the writer; a toolbar must answer for any command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "client/controls/icon_menu.h"
#include "client/controls/menu_resources.h"
#include "platform/gui/sys_colors.h"

// Fontconfig keeps a small record it never frees; that is fontconfig's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// The menu font's process-wide tables are made before the first input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::Font::Open(platform::DefaultGuiFont())->MeasureText("a");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        const auto entries = client::ParseMenuTemplate(bytes);
        if (!entries) return 0;
        const auto again = client::ParseMenuTemplate(client::EncodeMenuTemplate(*entries));
        if (!again || again->size() != entries->size()) std::abort();
        client::CIconMenu menu;
        menu.BuildFrom(*entries);
    } else if (const auto toolbar = client::ParseToolbar(bytes)) {
        for (uint32_t command : toolbar->commands)
            if (command && toolbar->ImageOf(command) < 0) std::abort();
    }
    return 0;
}
