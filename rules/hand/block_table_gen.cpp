// The block tables of rules/hand/group_tables.h, written by the table generator:
// for every block of a suit (a run of held ranks that no meld can leave, see
// group_tables.h) with at most kBlockLongTiles tiles, the first decomposition
// in the search's order for each exact number of wildcards (up to
// kBlockMaxJokers, and fewer for a long block) and pair, the decompositions
// in the search's order; found through a hash table without collisions over
// the blocks' nibbles, and the short ones directly by their nibbles and the
// wildcards held.

#include "rules/hand/block_table_gen.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "rules/hand/decompose_moves.h"
#include "rules/hand/group_tables.h"

namespace rules::detail {
namespace {

int Digit(int32_t code, int i) {
    return i < 9 ? code / kPow5[i] % 5 : 0;
}

int LowestRank(int32_t code) {
    int i = 0;
    while (Digit(code, i) == 0)
        ++i;
    return i;
}

bool Fits(const Move& m, int32_t code, int i, bool pairFree, int jokers) {
    return MoveFits(m, Digit(code, i), Digit(code, i + 1) > 0, Digit(code, i + 2) > 0, pairFree,
                    jokers);
}

int32_t Rest(const Move& m, int32_t code, int i) {
    return code - m.weight * kPow5[i];
}

// Bit u (plus 32 with the pair) of a code's states: its tiles split into
// melds that spend exactly u wildcards (up to 15).
std::vector<uint64_t> ExactStates() {
    std::vector<uint64_t> states(size_t(kSuitCodes), 0);
    states[0] = 1;
    for (int32_t code = 1; code < kSuitCodes; ++code) {
        const int i = LowestRank(code);
        uint64_t s = 0;
        for (int m = 0; m < kNoMove; ++m) {
            const Move& move = kMoves[m];
            if (!Fits(move, code, i, true, 2)) continue;
            const uint64_t rest = states[size_t(Rest(move, code, i))];
            s |= (move.pair ? (rest & 0xFFFF) : rest) << move.shift;
        }
        states[size_t(code)] = s & kMaskValid;
    }
    return states;
}

// The first decomposition in the search's order that ends in `state`.
std::vector<uint8_t> FirstDecomposition(const std::vector<uint64_t>& states, int32_t code,
                                        int state) {
    std::vector<uint8_t> melds;
    while (code) {
        const int i = LowestRank(code);
        for (int m = 0;; ++m) {
            const Move& move = kMoves[m];
            const int left = state - move.shift;
            if (!Fits(move, code, i, state >= kMaskPair, state % kMaskPair) || left < 0 ||
                !(states[size_t(Rest(move, code, i))] >> left & 1))
                continue;
            melds.push_back(TakenMeld(m, i));
            code = Rest(move, code, i);
            state = left;
            break;
        }
    }
    return melds;
}

// Whether a code is a block: held from its first rank to its last, with no
// two empty ranks in a row.
bool IsBlock(int32_t code, int* tiles) {
    if (Digit(code, 0) == 0) return false;
    int last = 8, sum = 0;
    while (Digit(code, last) == 0)
        --last;
    for (int i = 0; i <= last; ++i) {
        sum += Digit(code, i);
        if (i < last && Digit(code, i) == 0 && Digit(code, i + 1) == 0) return false;
    }
    *tiles = sum;
    return true;
}

uint64_t NibblesOf(int32_t code) {
    uint64_t key = 0;
    for (int i = 0; i < 9; ++i)
        key |= uint64_t(Digit(code, i)) << (4 * i);
    return key;
}

struct Block {
    uint64_t key;
    uint32_t first;
    uint8_t form;
    uint64_t marks;                          // the wildcard counts its entries do not cover
    uint32_t firstFor[kBlockMaxJokers + 1];  // a short block's by wildcards
};

BlockSlot SlotOf(const Block& b) {
    return b.key | b.marks | uint64_t(b.form) << kBlockKeyBits |
           uint64_t(b.first) << (kBlockKeyBits + 8);
}

// Places every block in a slot of its own: the blocks of a bucket (the
// largest buckets first) move together by the first displacement that finds
// all their slots free.
bool PlaceBlocks(const std::vector<Block>& blocks, std::vector<uint16_t>& displacement,
                 std::vector<int>& slotOf) {
    std::vector<std::vector<int>> buckets(kBlockBuckets);
    for (size_t b = 0; b < blocks.size(); ++b)
        buckets[BlockBucket(blocks[b].key)].push_back(int(b));
    std::vector<int> order(kBlockBuckets);
    for (int i = 0; i < kBlockBuckets; ++i)
        order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return buckets[size_t(a)].size() > buckets[size_t(b)].size();
    });
    std::vector<bool> taken(kBlockSlotCount, false);
    slotOf.assign(blocks.size(), -1);
    displacement.assign(kBlockBuckets, 0);
    for (int bucket : order) {
        const std::vector<int>& members = buckets[size_t(bucket)];
        if (members.empty()) break;
        bool placed = false;
        for (uint32_t d = 0; d <= UINT16_MAX && !placed; ++d) {
            std::vector<int> slots;
            for (int b : members) {
                const int slot = int(BlockSlotIndex(blocks[size_t(b)].key, uint16_t(d)));
                if (taken[size_t(slot)] || std::count(slots.begin(), slots.end(), slot)) break;
                slots.push_back(slot);
            }
            if (slots.size() != members.size()) continue;
            for (size_t j = 0; j < slots.size(); ++j) {
                taken[size_t(slots[j])] = true;
                slotOf[size_t(members[j])] = slots[j];
            }
            displacement[size_t(bucket)] = uint16_t(d);
            placed = true;
        }
        if (!placed) return false;
    }
    return true;
}

}  // namespace

bool WriteBlockTables(FILE* out, const unsigned char* formOfCode) {
    const std::vector<uint64_t> states = ExactStates();
    std::vector<Block> blocks;
    std::vector<uint64_t> entries;
    for (int32_t code = 1; code < kSuitCodes; ++code) {
        int tiles = 0;
        if (!IsBlock(code, &tiles) || tiles > kBlockLongTiles) continue;
        const bool isLong = tiles > kBlockMaxTiles;
        const int most =
            isLong ? std::min(kBlockMaxJokers, kBlockLongTiles - tiles) : kBlockMaxJokers;
        // The exact states within reach, each with its first decomposition,
        // in the search's order of those.
        std::vector<std::pair<std::vector<uint8_t>, int>> found;
        for (int pair = 0; pair < 2; ++pair) {
            for (int u = 0; u <= most; ++u) {
                const int state = u + pair * kMaskPair;
                if (states[size_t(code)] >> state & 1)
                    found.emplace_back(FirstDecomposition(states, code, state), state);
            }
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            // By move (the ranks follow from the moves before).
            for (size_t i = 0; i < a.first.size() && i < b.first.size(); ++i) {
                if ((a.first[i] >> 4) != (b.first[i] >> 4))
                    return (a.first[i] >> 4) < (b.first[i] >> 4);
            }
            return a.first.size() < b.first.size();
        });
        // The counts a context allows hold three fewer wildcards with each
        // (left ones make pungs): an entry after one of its state less three,
        // six, ... is never the first allowed.
        std::vector<std::pair<std::vector<uint8_t>, int>> kept;
        for (auto& f : found) {
            const bool shadowed = std::any_of(kept.begin(), kept.end(), [&](const auto& k) {
                return k.second < f.second && k.second / kMaskPair == f.second / kMaskPair &&
                       (f.second - k.second) % 3 == 0;
            });
            if (!shadowed) kept.push_back(std::move(f));
        }
        found = std::move(kept);
        if (found.empty()) {
            // (A long block may need more wildcards than its hands hold.)
            if (isLong) continue;
            std::fprintf(stderr, "a block without a decomposition\n");
            return false;
        }
        uint64_t marks = 0;
        for (int u = most + 1; u <= kBlockMaxJokers; ++u)
            marks |= BlockMark(u);
        Block block{NibblesOf(code), uint32_t(entries.size()), formOfCode[code], marks, {}};
        auto write = [&](int most) {
            for (const auto& [melds, state] : found) {
                if (state % kMaskPair > most) continue;
                uint64_t entry = uint64_t(state) | uint64_t(melds.size()) << 8;
                for (size_t i = 0; i < melds.size(); ++i)
                    entry |= uint64_t(melds[i]) << (16 + 8 * i);
                entries.push_back(entry);
            }
        };
        for (const auto& f : found) {
            if (f.first.size() > kBlockEntryMelds) {
                std::fprintf(stderr, "a block decomposition of %zu melds\n", f.first.size());
                return false;
            }
        }
        // A short block's entries for each number of wildcards, without
        // those that spend more (the last list is all of them).
        if (block.key < kBlockShortKeys) {
            for (int u = 0; u <= kBlockMaxJokers; ++u) {
                block.first = block.firstFor[u] = uint32_t(entries.size());
                write(u);
            }
        } else {
            write(kBlockMaxJokers);
        }
        blocks.push_back(block);
    }
    if (entries.size() >> (64 - kBlockKeyBits - 8)) {
        std::fprintf(stderr, "too many block entries for a slot\n");
        return false;
    }
    std::vector<uint16_t> displacement;
    std::vector<int> slotOf;
    if (!PlaceBlocks(blocks, displacement, slotOf)) {
        std::fprintf(stderr, "no displacement places the blocks\n");
        return false;
    }
    std::vector<const Block*> slots(kBlockSlotCount, nullptr);
    for (size_t b = 0; b < blocks.size(); ++b)
        slots[size_t(slotOf[b])] = &blocks[b];

    std::fprintf(out, "const uint16_t kBlockDisplacement[kBlockBuckets] = {");
    for (int i = 0; i < kBlockBuckets; ++i)
        std::fprintf(out, "%s%u,", i % 16 ? " " : "\n    ", displacement[size_t(i)]);
    std::fprintf(out, "\n};\n\nconst BlockSlot kBlockSlots[kBlockSlotCount] = {");
    for (size_t i = 0; i < slots.size(); ++i) {
        const Block* b = slots[i];
        const uint64_t slot = b ? SlotOf(*b) : 0;
        std::fprintf(out, "%s0x%" PRIx64 "ull,", i % 6 ? " " : "\n    ", slot);
    }
    std::vector<BlockSlot> shortSlots(size_t(kBlockMaxJokers + 1) * kBlockShortKeys, 0);
    for (const Block& b : blocks) {
        if (b.key >= kBlockShortKeys) continue;
        if (b.marks) {
            std::fprintf(stderr, "a long block among the short ones\n");
            return false;
        }
        for (int u = 0; u <= kBlockMaxJokers; ++u) {
            Block forU = b;
            forU.first = b.firstFor[u];
            shortSlots[size_t(u) * kBlockShortKeys + b.key] = SlotOf(forU);
        }
    }
    std::fprintf(out,
                 "\n};\n\nconst BlockSlot kBlockShort[kBlockMaxJokers + 1][kBlockShortKeys] = {");
    // (Each row in its own braces: compilers warn of a flat list.)
    for (size_t i = 0; i < shortSlots.size(); ++i) {
        const size_t column = i % kBlockShortKeys;
        if (column == 0) std::fprintf(out, "%s\n    {", i ? "\n    }," : "");
        std::fprintf(out, "%s0x%" PRIx64 "ull,", column % 6 ? " " : "\n        ", shortSlots[i]);
    }
    std::fprintf(out, "\n    },\n");
    std::fprintf(out, "};\n\nconst uint64_t kBlockEntries[%zu] = {", entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        std::fprintf(out, "%s0x%" PRIx64 "ull,", i % 6 ? " " : "\n    ", entries[i]);
    std::fprintf(out, "\n};\n\n");
    return true;
}

}  // namespace rules::detail
