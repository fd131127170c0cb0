// The recording of a decomposition's melds, shared by the walk and the
// block tables.

#include "rules/decompose_record.h"

namespace rules::detail {

void RecordLeftJokers(int32_t left, int spent, uint32_t order, int32_t nA, int32_t nB,
                      TileIndex idxA, TileIndex idxB, HuResult& result) {
    // Their counters after the melds' spending.
    const int fromB = CountBits(order & ((1u << spent) - 1));
    int32_t a = nA - (spent - fromB), b = nB - fromB, savedA, savedB;
    int32_t extraType[kMaxMelds], extraA[kMaxMelds], extraB[kMaxMelds];
    int extras = 0;
    for (; left > 0 && extras < kMaxMelds; left = SumJokers(a, b)) {
        extraType[extras] = left >= 3 ? kMeldPung : kMeldPair;
        TakeJokers(&savedA, &savedB, &a, &b, left >= 3 ? 3 : 2);
        extraA[extras] = savedA - a;
        extraB[extras++] = savedB - b;
    }
    for (int i = extras - 1; i >= 0; --i)
        AddMeldEx(result, extraType[i], extraA[i], extraB[i], idxA, idxB);
}

void RecordMelds(const Taken* taken, int n, int spent, int32_t nA, int32_t nB, TileIndex idxA,
                 TileIndex idxB, HuResult& result) {
    RecordMeldsInline(taken, n, spent, nA, nB, idxA, idxB, result);
}

}  // namespace rules::detail
