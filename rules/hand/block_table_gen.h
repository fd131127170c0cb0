#pragma once
// The block tables' part of the table generator (block_table_gen.cpp).

#include <cstdio>

namespace rules::detail {

// Writes the block tables as C++ source; formOfCode gives each suit code's
// form. False (with a message) when the tables cannot be made.
bool WriteBlockTables(FILE* out, const unsigned char* formOfCode);

}  // namespace rules::detail
