// The generated group tables and the hand summary against plain readings of
// the same facts.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "rules/hand/group_tables.h"
#include "rules/hand/hand_summary.h"
#include "rules/hand/tests/hand_gen.h"

namespace rules::detail {
namespace {

// Every suit code's form, read through its row, holds the value that the
// meld moves give the code.
TEST(GroupTablesTest, EverySuitCodeReadsItsValue) {
    struct Table {
        std::vector<GroupValue> values = std::vector<GroupValue>(size_t(kSuitCodes));
        GroupValue Get(int32_t code) const { return values[size_t(code)]; }
        void Set(int32_t code, const GroupValue& v) { values[size_t(code)] = v; }
    } table;
    table.values[0] = kEmptyValue;
    FillGroupTable(GroupKind::kSuit, table);
    for (int32_t code = 0; code < kSuitCodes; ++code) {
        const GroupValue& v = SuitValue(SuitCodeOfBase5(code));
        ASSERT_EQ(std::memcmp(&v, &table.values[size_t(code)], sizeof v), 0) << code;
    }
}

TEST(GroupTablesTest, MasksAreTheValuesAsBits) {
    ASSERT_GT(kSuitForms, 100);
    for (int f = 0; f < kSuitForms; ++f) {
        const GroupMask expected = MaskOf(kSuitFormValue[f]);
        EXPECT_EQ(kSuitFormMask[f].bits, expected.bits) << f;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(kSuitFormMask[f].shift[i], expected.shift[i]) << f;
        for (int jokers = 0; jokers <= kBlockMaxJokers; ++jokers) {
            for (bool pairTaken : {false, true}) {
                EXPECT_EQ(kFormBeforeFinal[f][pairTaken][jokers],
                          BeforeGroup(FinalMask(jokers, pairTaken), expected))
                    << f << " " << jokers;
            }
        }
        for (int g = 0; g < kSuitForms; ++g)
            EXPECT_EQ(SumOfForms(size_t(f), size_t(g)),
                      AddGroup(kSuitFormMask[f].bits, kSuitFormMask[g]))
                << f << " " << g;
    }
    EXPECT_EQ(SuitMask(0).bits, kMaskNoTiles);
}

// The block walk's numbered contexts step as BeforeGroup does, from every
// final mask through every context they reach.
TEST(GroupTablesTest, ContextsStepAsTheMasks) {
    std::vector<size_t> todo;
    bool seen[256] = {};
    auto reach = [&](size_t id, uint64_t bits) {
        EXPECT_EQ(kContextBits[id], bits);
        if (!seen[id]) todo.push_back(id);
        seen[id] = true;
    };
    for (int jokers = 0; jokers <= kBlockMaxJokers; ++jokers) {
        for (bool pairTaken : {false, true}) {
            reach(kContextFinal[pairTaken][jokers], kClosedFinalMask.masks[pairTaken][jokers]);
        }
    }
    while (!todo.empty()) {
        const size_t id = todo.back();
        todo.pop_back();
        for (int f = 0; f < kSuitForms; ++f)
            reach(kContextBefore[f][id], BeforeGroup(kContextBits[id], kSuitFormMask[f]));
    }
    EXPECT_EQ(kContextBits[0], 0u);
}

// Summing groups as masks and asking what the rest leaves agree with the
// values' arithmetic for every count of wildcards the masks hold.
TEST(GroupTablesTest, MaskArithmeticAgreesWithValues) {
    std::mt19937 rng(12);
    for (int i = 0; i < 20000; ++i) {
        const int a = int(rng() % unsigned(kSuitForms)), b = int(rng() % unsigned(kSuitForms));
        const int lone = int(rng() % 5);
        const GroupValue both =
            Combine(Combine(kSuitFormValue[a], kSuitFormValue[b]), kSingleValue[lone]);
        const uint64_t sum =
            AddGroup(AddGroup(kSuitFormMask[a].bits, kSuitFormMask[b]), kSingleMask[lone]);
        for (int jokers = 0; jokers <= kMaskMaxJokers; ++jokers) {
            for (bool pairTaken : {false, true}) {
                const bool expected = Completes(both, jokers, pairTaken);
                const uint64_t final = FinalMask(jokers, pairTaken);
                ASSERT_EQ((sum & final) != 0, expected) << a << " " << b << " " << jokers;
                const uint64_t left =
                    BeforeGroup(BeforeGroup(final, kSingleMask[lone]), kSuitFormMask[b]);
                ASSERT_EQ((kSuitFormMask[a].bits & left) != 0, expected)
                    << a << " " << b << " " << jokers;
            }
        }
    }
}

void ExpectSummariesAgree();

// The summary less every tile of two kinds (now and then none or the same),
// which tells a hand holding a refused kind apart.
void ExpectSummaryLessAgrees(std::mt19937& rng, const TileCountArray& c, bool valid, int i) {
    auto kind = [&] {
        int k = 0;
        while (k % 10 == 0)
            k = 1 + int(rng() % 37);
        return k;
    };
    const int a = i % 6 ? kind() : 0, b = i % 5 ? kind() : a;
    const uint64_t refused =
        i % 2 ? KindBit(40 + int(rng() % 24)) | (i % 4 == 1 ? kHonourKinds : 0) : 0;
    TileCountArray less = c;
    less[size_t(a)] = less[size_t(b)] = 0;
    HandSummary got, want;
    int32_t codes[3];
    const int32_t read = SummariseHandLess(c, a, b, refused, &got, codes);
    if (!valid) {
        EXPECT_EQ(read, kNotAHand) << i;
        return;
    }
    ASSERT_TRUE(SummariseHand(less, &want)) << i;
    if (want.masks.present & refused) {
        EXPECT_EQ(read, kHoldsRefused) << i;
        return;
    }
    EXPECT_EQ(read, CountBits(want.masks.odd)) << i;
    EXPECT_EQ(got.tiles, want.tiles) << i;
    EXPECT_EQ(got.masks.present, want.masks.present) << i;
    EXPECT_EQ(got.masks.pairs, want.masks.pairs) << i;
    EXPECT_EQ(std::memcmp(got.bytes, want.bytes, sizeof got.bytes), 0) << i;
    for (int suit = 0; suit < 3; ++suit)
        EXPECT_EQ(codes[suit], want.SuitCode(suit)) << i;
}

TEST(HandSummaryTest, AgreesWithAPlainReadingOfTheCounts) {
    // Both roads: the 32-byte one where the processor has it, and the other.
    for (bool wide : {true, false}) {
        SCOPED_TRACE(SetWideSummaryForTesting(wide) ? "32-byte road" : "16-byte road");
        ExpectSummariesAgree();
    }
    SetWideSummaryForTesting(true);
}

void ExpectSummariesAgree() {
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        TileCountArray c = testing::RandomCounts(rng, int(rng() % 30), true);
        if (i % 3 == 0) c[size_t(rng() % kCountSlots)] = int32_t(rng() % 9) - 2;
        if (i % 7 == 0) c[size_t(40 + rng() % 24)] = int32_t(rng() % 5);
        bool valid = c[0] == 0 && c[10] == 0 && c[20] == 0;
        int32_t tiles = 0;
        KindMasks m;
        for (int k = 0; k < kCountSlots; ++k) {
            const int32_t v = c[size_t(k)];
            valid = valid && v >= 0 && v <= 4;
            tiles += v;
            m.present |= uint64_t(v > 0) << k;
            m.pairs |= uint64_t(v > 1) << k;
            m.odd |= uint64_t(v & 1) << k;
        }
        HandSummary s;
        ASSERT_EQ(SummariseHand(c, &s), valid) << i;
        ExpectSummaryLessAgrees(rng, c, valid, i);
        if (!valid) continue;
        EXPECT_EQ(s.tiles, tiles);
        EXPECT_EQ(s.masks.present, m.present);
        EXPECT_EQ(s.masks.pairs, m.pairs);
        EXPECT_EQ(s.masks.odd, m.odd);
        for (int suit = 0; suit < 3; ++suit) {
            int32_t code = 0;
            uint64_t nibbles = 0;
            for (int r = 0; r < 9; ++r) {
                code += c[size_t(suit * 10 + 1 + r)] * kSuitWeight[r];
                nibbles |= uint64_t(c[size_t(suit * 10 + 1 + r)]) << (4 * r);
            }
            EXPECT_EQ(s.SuitCode(suit), code);
            EXPECT_EQ(s.SuitNibbles(suit), nibbles);
        }
        // A tile in and two kinds out (now and then the same kind, or none):
        // the moved summary is the summary of the moved counts.
        const int in = int(rng() % kCountSlots), outA = i % 5 ? int(rng() % kCountSlots) : in;
        const int outB = i % 4 ? int(rng() % kCountSlots) : outA;
        TileCountArray moved = c;
        if (in != 0) ++moved[size_t(in)];
        const int32_t countA = outA != 0 ? moved[size_t(outA)] : 0;
        moved[size_t(outA)] = 0;
        const int32_t countB = outB != 0 ? moved[size_t(outB)] : 0;
        moved[size_t(outB)] = 0;
        HandSummary want;
        if (!SummariseHand(moved, &want)) continue;
        s.Move(in, outA, countA, outB, countB);
        EXPECT_EQ(s.tiles, want.tiles) << i;
        EXPECT_EQ(s.masks.present, want.masks.present) << i;
        EXPECT_EQ(s.masks.pairs, want.masks.pairs) << i;
        EXPECT_EQ(s.masks.odd, want.masks.odd) << i;
        EXPECT_EQ(std::memcmp(s.bytes, want.bytes, sizeof s.bytes), 0) << i;
        EXPECT_EQ(s.nibbles[0], want.nibbles[0]) << i;
        EXPECT_EQ(s.nibbles[1], want.nibbles[1]) << i;
    }
}

}  // namespace
}  // namespace rules::detail
