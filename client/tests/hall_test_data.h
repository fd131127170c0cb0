#pragma once
// Sample hall records for the client's tests.

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "client/hall_records.h"
#include "client/notify_handler.h"
#include "platform/bytes.h"

namespace client::testing {

inline PlayerRecord MakePlayer(uint32_t userId, int32_t chair, uint32_t lookerFlag = 0) {
    PlayerRecord p;
    p.userId = userId;
    p.chair = chair;
    p.lookerFlag = lookerFlag;
    p.userName = "player" + std::to_string(userId);
    p.nickname = "雀友";
    p.portrait = userId % 50;
    p.silver = 1000;
    p.score = -5;
    p.levelTitle = "新手";
    return p;
}

// A table with `seated` players in chairs 0..n-1 (ids 101, 102, ...) and
// `lookers` watchers (ids 201, 202, ... watching chair 0).
inline HallTableState MakeState(size_t seated, size_t lookers) {
    HallTableState s;
    s.room.zoneName = "东区";
    s.room.roomName = "财神房";
    s.room.noticeHost = "notice.example";
    s.room.advertHost = "advert.example";
    s.room.noticePeriod = 300;
    s.room.noticeFileNumber = 7;
    for (size_t i = 0; i < seated; ++i)
        s.seated.push_back(MakePlayer(101 + uint32_t(i), int32_t(i)));
    for (size_t i = 0; i < lookers; ++i)
        s.lookers.push_back(MakePlayer(201 + uint32_t(i), 0, 1));
    s.table.seatedCount = uint32_t(seated);
    s.table.lookerCount = uint32_t(lookers);
    return s;
}

// Little-endian words, as payloads carry them.
inline std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words)
        platform::StoreLE32(&out[4 * i++], w);
    return out;
}

// Player values as the server sends them: a count, then records with the
// user at 16, score, silver, word 21 and the level title (16 bytes, here
// without a NUL).
inline std::vector<uint8_t> PlayerValues(std::initializer_list<uint32_t> ids) {
    std::vector<uint8_t> out(4 + ids.size() * kPlayerValuesRecordSize);
    platform::StoreLE32(out.data(), uint32_t(ids.size()));
    uint8_t* r = out.data() + 4;
    for (uint32_t id : ids) {
        platform::StoreLE32(r + 16, id);
        platform::StoreLE32(r + 24, 500 + id);
        platform::StoreLE32(r + 28, 900 + id);
        platform::StoreLE32(r + 32, 7);
        std::memcpy(r + 36, "0123456789ABCDEFGH", 16);
        r += kPlayerValuesRecordSize;
    }
    return out;
}

// Chat words from `userId`: the 48-byte head, then the words.
inline std::vector<uint8_t> ChatWordsPayload(uint32_t userId, const std::string& words) {
    std::vector<uint8_t> out(48 + words.size());
    platform::StoreLE32(out.data(), userId);
    if (!words.empty()) std::memcpy(&out[48], words.data(), words.size());
    return out;
}

inline std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out)
        b = uint8_t(gen());
    return out;
}

}  // namespace client::testing
