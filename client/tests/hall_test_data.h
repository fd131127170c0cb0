#pragma once
// Sample hall records for the client's tests.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "client/hall_records.h"
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

inline std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out)
        b = uint8_t(gen());
    return out;
}

}  // namespace client::testing
