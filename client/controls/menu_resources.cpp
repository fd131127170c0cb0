#include "client/controls/menu_resources.h"

#include "platform/bytes.h"
#include "platform/text.h"

namespace client {
namespace {

constexpr platform::UINT kMfPopup = 0x10;
// Bounds for what a template may build: a real menu is far smaller.
constexpr size_t kMaxDepth = 8;
constexpr size_t kMaxEntries = 4096;
constexpr size_t kMaxTextUnits = 256;

class TemplateReader {
  public:
    explicit TemplateReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool Word(platform::UINT& out) {
        if (at_ + 2 > bytes_.size()) return false;
        out = platform::LoadLE16(bytes_.data() + at_);
        at_ += 2;
        return true;
    }

    bool Text(std::string& out) {
        const size_t start = at_;
        platform::UINT unit = 0;
        do {
            if (!Word(unit) || (at_ - start) / 2 > kMaxTextUnits + 1) return false;
        } while (unit != 0);
        const auto wide = bytes_.subspan(start, at_ - start - 2);
        out = platform::Utf16LeToGbk({reinterpret_cast<const char*>(wide.data()), wide.size()});
        return true;
    }

    // One level's entries, up to the one marked MF_END.
    bool Level(std::vector<MenuEntry>& out, size_t depth) {
        if (depth > kMaxDepth) return false;
        for (;;) {
            MenuEntry entry;
            platform::UINT flags = 0;
            if (++entries_ > kMaxEntries || !Word(flags)) return false;
            if (!(flags & kMfPopup) && !Word(entry.id)) return false;
            if (!Text(entry.text)) return false;
            entry.flags = flags & ~kMenuEnd;
            if ((flags & kMfPopup) && !Level(entry.children, depth + 1)) return false;
            out.push_back(std::move(entry));
            if (flags & kMenuEnd) return true;
        }
    }

    bool AtEnd() const { return at_ == bytes_.size(); }

  private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    size_t entries_ = 0;
};

void EncodeLevel(platform::ByteWriter& w, const std::vector<MenuEntry>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& e = entries[i];
        const bool popup = !e.children.empty() || (e.flags & kMfPopup);
        w.U16(uint16_t((e.flags & ~kMenuEnd) | (popup ? kMfPopup : 0) |
                       (i + 1 == entries.size() ? kMenuEnd : 0)));
        if (!popup) w.U16(uint16_t(e.id));
        const std::string wide = platform::GbkToUtf16Le(e.text);
        w.Bytes({reinterpret_cast<const uint8_t*>(wide.data()), wide.size()});
        w.U16(0);
        if (popup) EncodeLevel(w, e.children);
    }
}

}  // namespace

std::optional<std::vector<MenuEntry>> ParseMenuTemplate(std::span<const uint8_t> bytes) {
    TemplateReader reader(bytes);
    platform::UINT version = 0, header = 0;
    std::vector<MenuEntry> top;
    if (!reader.Word(version) || !reader.Word(header) || version != 0 || header != 0 ||
        !reader.Level(top, 0)) {
        return std::nullopt;
    }
    return top;
}

std::vector<uint8_t> EncodeMenuTemplate(const std::vector<MenuEntry>& entries) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U16(0);
    w.U16(0);
    EncodeLevel(w, entries);
    return out;
}

int ToolbarTemplate::ImageOf(platform::UINT command) const {
    int image = 0;
    for (platform::UINT c : commands) {
        if (c == 0) continue;
        if (c == command) return image;
        ++image;
    }
    return -1;
}

std::optional<ToolbarTemplate> ParseToolbar(std::span<const uint8_t> bytes) {
    platform::ByteReader r(bytes);
    const uint16_t version = r.U16(), width = r.U16(), height = r.U16(), count = r.U16();
    if (!r.ok() || version != 1 || width == 0 || height == 0 || width > 256 || height > 256 ||
        r.remaining() != size_t(count) * 2) {
        return std::nullopt;
    }
    ToolbarTemplate toolbar{width, height, {}};
    for (uint16_t i = 0; i < count; ++i)
        toolbar.commands.push_back(r.U16());
    return toolbar;
}

std::vector<uint8_t> EncodeToolbar(const ToolbarTemplate& toolbar) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    for (int v : {1, toolbar.buttonWidth, toolbar.buttonHeight, int(toolbar.commands.size())})
        w.U16(uint16_t(v));
    for (platform::UINT c : toolbar.commands)
        w.U16(uint16_t(c));
    return out;
}

}  // namespace client
