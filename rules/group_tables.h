#pragma once
// The group tables, written at build time by group_table_gen.cpp: every suit
// (by the base-5 code of its nine counts) as one of its few distinct forms,
// and the winds, the dragons and a lone kind by code.

#include <cstdint>

#include "rules/group_value.h"

namespace rules::detail {

inline constexpr int32_t kSuitCodes = 1953125;  // 5^9

extern const unsigned char kSuitForm[kSuitCodes + 1];
extern const GroupValue kSuitFormValue[];
extern const GroupMask kSuitFormMask[];
extern const int kSuitForms;

extern const GroupValue kWindValue[625];
extern const GroupValue kDragonValue[125];
extern const GroupValue kSingleValue[5];
extern const GroupMask kSingleMask[5];

inline const GroupValue& SuitValue(int32_t code) {
    return kSuitFormValue[kSuitForm[code]];
}
inline const GroupMask& SuitMask(int32_t code) {
    return kSuitFormMask[kSuitForm[code]];
}

}  // namespace rules::detail
