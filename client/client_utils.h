#pragma once
// Free helpers of the client framework: blank trimming and "|" splitting,
// the machine id and the hall's machine-wide file, the wealth titles, the
// colour parser and decimal text. None keeps state.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace client {

// The hall's machine-wide file: "mirb.ini" in the system folder, [SYSTEM].
std::string GetHallMachineFilePath();

// Removes leading and trailing spaces (the space character only) in place.
std::string& TrimSpaces(std::string& text);

// What SplitByBar found: the fields, and whether text was left after the
// last one (and where it starts).
struct BarSplit {
    std::vector<std::string_view> fields;
    bool hasRest = false;
    std::string_view rest;
};
// Splits at "|" into at most `maxFields` fields. An empty text gives one
// empty field, a trailing "|" a last empty field. GBK-aware: a trail byte
// that is "|" does not split.
BarSplit SplitByBar(std::string_view text, size_t maxFields);

// The machine id: the lower-case hex of the Ethernet adapters' addresses
// (31 digits), else [SYSTEM] UniqueID of the hall machine file, else a new
// random id of 30 digits that is written there.
std::string GetMachineUniqueId();
// The id from a list of adapter addresses (6 bytes each, at most 21 used),
// or empty when there is none.
std::string MachineIdFromAdapters(const std::vector<std::array<uint8_t, 6>>& addresses);

// [SYSTEM] ExePath of the hall machine file.
std::string GetHallExePath();

// The title of an amount of silver.
std::string WealthTitle(int32_t amount);

// "r g b" (decimal, blank-separated; a missing number repeats the one
// before) into red | green << 8 | blue << 16; an empty text gives `def`.
uint32_t ParseRgb(std::string_view text, uint32_t def);

std::string IntToString(int32_t n);

}  // namespace client
