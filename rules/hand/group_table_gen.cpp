// Writes the group tables of rules/hand/group_tables.h as C++ source (run by the
// build): group_table_gen <output.cpp>. Every suit code's value is computed
// from the meld moves (group_value.h); a suit's values take only a hundred or
// so distinct forms, so the suit table holds one byte per code.

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "rules/hand/block_table_gen.h"
#include "rules/hand/group_tables.h"
#include "rules/hand/group_value.h"

namespace {

using namespace rules::detail;

struct FullTable {
    std::vector<GroupValue> values;
    explicit FullTable(GroupKind kind) : values(size_t(kPow5[GroupSize(kind)]), kEmptyValue) {
        FillGroupTable(kind, *this);
    }
    GroupValue Get(int32_t code) const { return values[size_t(code)]; }
    void Set(int32_t code, const GroupValue& v) { values[size_t(code)] = v; }
};

uint64_t Key(const GroupValue& v) {
    uint64_t key = 0;
    std::memcpy(&key, &v, sizeof v);
    return key;
}

void WriteValue(FILE* out, const GroupValue& v) {
    std::fprintf(out, "    {{{%d, %d, %d}, {%d, %d, %d}}, {0, 0}},\n", v.m[0][0], v.m[0][1],
                 v.m[0][2], v.m[1][0], v.m[1][1], v.m[1][2]);
}

void WriteMask(FILE* out, const GroupValue& v) {
    const GroupMask g = MaskOf(v);
    std::fprintf(out, "    {0x%016" PRIx64 "ull, {%d, %d, %d, %d, %d, %d}, {0, 0}},\n", g.bits,
                 g.shift[0], g.shift[1], g.shift[2], g.shift[3], g.shift[4], g.shift[5]);
}

// The block walk's contexts (group_tables.h): every closed mask that the
// walk meets from the closed final masks of up to kBlockMaxJokers wildcards,
// each by its number, and the steps between them.
bool WriteContexts(FILE* out, const std::vector<GroupValue>& forms) {
    if (forms.size() > size_t(kContextFormStride)) {
        std::fprintf(stderr, "more suit forms than a context row holds\n");
        return false;
    }
    std::vector<uint64_t> bits;
    std::map<uint64_t, int> idOf;
    auto id = [&](uint64_t a) {
        auto [it, added] = idOf.emplace(a, int(bits.size()));
        if (added) bits.push_back(a);
        return it->second;
    };
    id(0);
    int finals[2][kBlockMaxJokers + 1];
    for (int pairTaken = 0; pairTaken < 2; ++pairTaken) {
        for (int jokers = 0; jokers <= kBlockMaxJokers; ++jokers)
            finals[pairTaken][jokers] = id(kClosedFinalMask.masks[pairTaken][jokers]);
    }
    std::vector<std::vector<int>> before(forms.size());
    for (size_t i = 0; i < bits.size(); ++i) {
        for (size_t f = 0; f < forms.size(); ++f)
            before[f].push_back(id(BeforeGroup(bits[i], MaskOf(forms[f]))));
    }
    if (bits.size() > size_t(kContextStride)) {
        std::fprintf(stderr, "more than 256 block walk contexts\n");
        return false;
    }
    std::fprintf(out, "const uint64_t kContextBits[%zu] = {", bits.size());
    for (size_t i = 0; i < bits.size(); ++i)
        std::fprintf(out, "%s0x%" PRIx64 "ull,", i % 4 ? " " : "\n    ", bits[i]);
    std::fprintf(out, "\n};\n\nconst uint8_t kContextBefore[%zu][kContextStride] = {\n",
                 forms.size());
    for (const std::vector<int>& row : before) {
        std::fprintf(out, "    {");
        for (int next : row)
            std::fprintf(out, "%d, ", next);
        std::fprintf(out, "},\n");
    }
    std::fprintf(out, "};\n\nconst uint8_t kContextFinal[2][kBlockMaxJokers + 1] = {\n");
    for (const auto& row : finals) {
        std::fprintf(out, "    {");
        for (int f : row)
            std::fprintf(out, "%d, ", f);
        std::fprintf(out, "},\n");
    }
    std::fprintf(out, "};\n\n");
    return true;
}

// Two suits' groups summed, by their forms: each distinct sum once, and its
// number by the pair of forms.
void WriteFormPairs(FILE* out, const std::vector<GroupValue>& forms) {
    std::vector<uint64_t> sums;
    std::map<uint64_t, int> idOf;
    std::fprintf(out, "const uint16_t kFormPairSum[%zu][kContextFormStride] = {\n", forms.size());
    for (const GroupValue& a : forms) {
        std::fprintf(out, "    {");
        for (const GroupValue& b : forms) {
            const uint64_t sum = AddGroup(MaskOf(a).bits, MaskOf(b));
            auto [it, added] = idOf.emplace(sum, int(sums.size()));
            if (added) sums.push_back(sum);
            std::fprintf(out, "%d, ", it->second);
        }
        std::fprintf(out, "},\n");
    }
    std::fprintf(out, "};\n\nconst uint64_t kFormPairBits[%zu] = {", sums.size());
    for (size_t i = 0; i < sums.size(); ++i)
        std::fprintf(out, "%s0x%" PRIx64 "ull,", i % 4 ? " " : "\n    ", sums[i]);
    std::fprintf(out, "\n};\n\n");
}

void WriteValues(FILE* out, const char* name, const std::vector<GroupValue>& values) {
    std::fprintf(out, "const GroupValue %s[%zu] = {\n", name, values.size());
    for (const GroupValue& v : values)
        WriteValue(out, v);
    std::fprintf(out, "};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
        return 2;
    }
    const FullTable suit(GroupKind::kSuit);
    std::vector<GroupValue> forms;
    std::map<uint64_t, int> formOf;
    std::vector<unsigned char> index(suit.values.size());
    for (size_t code = 0; code < suit.values.size(); ++code) {
        const GroupValue& v = suit.values[code];
        auto [it, added] = formOf.emplace(Key(v), int(forms.size()));
        if (added) forms.push_back(v);
        if (forms.size() > 256) {
            std::fprintf(stderr, "more than 256 suit forms\n");
            return 1;
        }
        index[code] = static_cast<unsigned char>(it->second);
    }

    const std::string path = argv[1], temp = path + ".tmp";
    FILE* out = std::fopen(temp.c_str(), "w");
    if (!out) {
        std::perror(temp.c_str());
        return 1;
    }
    std::fprintf(out,
                 "// Written by rules/hand/group_table_gen.cpp at build time.\n"
                 "#include \"rules/hand/group_tables.h\"\n\n"
                 "namespace rules::detail {\n\n");
    // The forms by rows of kFormRowCodes codes, each distinct row once.
    std::map<std::string, int> rowId;
    std::vector<uint32_t> rowOf;
    std::string rows;
    for (size_t high = 0; high < index.size() / kFormRowCodes; ++high) {
        std::string row(reinterpret_cast<const char*>(&index[high * kFormRowCodes]), kFormRowCodes);
        row.resize(kFormRowStride, '\0');
        auto [it, added] = rowId.emplace(row, int(rowId.size()));
        if (added) rows += row;
        // (Each row's offset less the codes before it, as SuitForm reads it.)
        rowOf.push_back(uint32_t(it->second * kFormRowStride) - uint32_t(high * kFormRowStride));
    }
    if (rowId.size() != size_t(kFormRows)) {
        std::fprintf(stderr, "%zu suit form rows, not kFormRows\n", rowId.size());
        return 1;
    }
    std::fprintf(out, "const SuitFormTable kSuitFormTable = {{");
    for (size_t i = 0; i < rowOf.size(); ++i)
        std::fprintf(out, "%s%uu,", i % 16 ? " " : "\n    ", rowOf[i]);
    std::fprintf(out, "\n},");
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i % 40 == 0) std::fprintf(out, "\n    \"");
        std::fprintf(out, "\\x%02x", static_cast<unsigned char>(rows[i]));
        if (i % 40 == 39 || i + 1 == rows.size()) std::fprintf(out, "\"");
    }
    std::fprintf(out, "};\n\n");
    std::fprintf(out, "const int kSuitForms = %zu;\n\n", forms.size());
    WriteValues(out, "kSuitFormValue", forms);
    std::fprintf(out, "const GroupMask kSuitFormMask[%zu] = {\n", forms.size());
    for (const GroupValue& v : forms)
        WriteMask(out, v);
    std::fprintf(out, "};\n\n");
    std::fprintf(out, "const uint64_t kFormBeforeFinal[%zu][2][kBlockMaxJokers + 1] = {\n",
                 forms.size());
    for (const GroupValue& v : forms) {
        const GroupMask g = MaskOf(v);
        std::fprintf(out, "    {");
        for (int pairTaken = 0; pairTaken < 2; ++pairTaken) {
            std::fprintf(out, "{");
            for (int jokers = 0; jokers <= kBlockMaxJokers; ++jokers) {
                std::fprintf(out, "0x%" PRIx64 "ull, ",
                             BeforeGroup(kClosedFinalMask.masks[pairTaken][jokers], g));
            }
            std::fprintf(out, "}, ");
        }
        std::fprintf(out, "},\n");
    }
    std::fprintf(out, "};\n\n");
    WriteValues(out, "kWindValue", FullTable(GroupKind::kWinds).values);
    WriteValues(out, "kDragonValue", FullTable(GroupKind::kDragons).values);
    const FullTable single(GroupKind::kSingle);
    WriteValues(out, "kSingleValue", single.values);
    std::fprintf(out, "const GroupMask kSingleMask[5] = {\n");
    for (const GroupValue& v : single.values)
        WriteMask(out, v);
    std::fprintf(out, "};\n\n");
    WriteFormPairs(out, forms);
    if (!WriteContexts(out, forms) || !WriteBlockTables(out, index.data())) {
        std::fclose(out);
        return 1;
    }
    std::fprintf(out, "}  // namespace rules::detail\n");
    if (std::fclose(out) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::perror(path.c_str());
        return 1;
    }
    return 0;
}
