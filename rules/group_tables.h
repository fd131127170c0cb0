#pragma once
// The group tables, written at build time by group_table_gen.cpp: every suit
// (by the base-5 code of its nine counts) as one of its few distinct forms,
// and the winds, the dragons and a lone kind by code.

#include <cstdint>

#include "rules/group_value.h"

namespace rules::detail {

inline constexpr int32_t kSuitCodes = 1953125;  // 5^9

// Where the forms of the codes whose r lowest digits are 0 start, by
// code / 5^r: the rests of a suit that the decomposition walks through at
// rank r lie close together there. The first run (r = 0) holds every code.
inline constexpr int32_t kRankOffset[10] = {0,       1953125, 2343750, 2421875, 2437500,
                                            2440625, 2441250, 2441375, 2441400, 2441405};
inline constexpr int32_t kSuitFormEntries = kRankOffset[9];
// code / 5^r for a code whose r lowest digits are 0: a multiple by the
// inverse of 5^r modulo 2^32.
inline constexpr uint32_t kInverse5[9] = {1,         3435973837u, 3264175145u, 652835029, 989560465,
                                          197912093, 1757569337,  2928494245u, 585698849};

extern const unsigned char kSuitFormByRank[kSuitFormEntries + 1];
extern const GroupValue kSuitFormValue[];
extern const GroupMask kSuitFormMask[];
extern const int kSuitForms;

extern const GroupValue kWindValue[625];
extern const GroupValue kDragonValue[125];
extern const GroupValue kSingleValue[5];
extern const GroupMask kSingleMask[5];

inline const GroupValue& SuitValue(int32_t code) {
    return kSuitFormValue[kSuitFormByRank[code]];
}
inline const GroupMask& SuitMask(int32_t code) {
    return kSuitFormMask[kSuitFormByRank[code]];
}

}  // namespace rules::detail
