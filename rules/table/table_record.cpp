#include "rules/table/table_record.h"

#include <algorithm>
#include <cstdlib>

#include "platform/bytes.h"

namespace rules {

void TableRecord::Set(size_t word, int32_t value) {
    if (word >= words_.size()) std::abort();
    words_[word] = value;
}

void TableRecord::Fill(size_t word, size_t count, int32_t value) {
    for (size_t i = 0; i < count; ++i)
        Set(word + i, value);
}

void TableRecord::Put(size_t word, std::span<const int32_t> values) {
    for (size_t i = 0; i < values.size(); ++i)
        Set(word + i, values[i]);
}

void TableRecord::Zero() {
    std::fill(words_.begin(), words_.end(), 0);
}

void TableRecord::PutText(size_t word, size_t bytes, std::string_view text) {
    if (bytes == 0) return;
    size_t len = text.size() < bytes - 1 ? text.size() : bytes - 1;
    for (size_t i = 0; i < bytes; i += 4) {
        uint8_t b[4] = {};
        for (size_t k = 0; k < 4 && i + k < bytes; ++k)
            b[k] = i + k < len ? uint8_t(text[i + k]) : 0;
        Set(word + i / 4, int32_t(platform::LoadLE32(b)));
    }
}

std::string TableRecord::Text(size_t word, size_t bytes) const {
    std::string text;
    for (size_t i = 0; i < bytes; ++i) {
        uint8_t b[4];
        platform::StoreLE32(b, uint32_t(Get(word + i / 4)));
        if (b[i % 4] == 0) break;
        text.push_back(char(b[i % 4]));
    }
    return text;
}

std::vector<uint8_t> TableRecord::Encode() const {
    std::vector<uint8_t> out;
    out.reserve(ByteSize());
    platform::ByteWriter writer(out);
    for (int32_t w : words_)
        writer.I32(w);
    return out;
}

std::optional<TableRecord> TableRecord::Decode(std::span<const uint8_t> bytes,
                                               size_t expectedBytes) {
    if (bytes.size() != expectedBytes || expectedBytes % 4 != 0) return std::nullopt;
    TableRecord record(expectedBytes);
    platform::ByteReader reader(bytes);
    for (int32_t& w : record.words_)
        w = reader.I32();
    if (!reader.ok()) return std::nullopt;
    return record;
}

}  // namespace rules
