#pragma once
// Which code a cipher or checksum object runs: the processor's own
// instructions when it has them, or the portable table code. The table code
// stays in use on machines without them and is forced in tests, so both paths
// are checked on every run.

namespace transport {

enum class CodePath {
    kAuto,   // the processor's instructions when present, else the tables
    kTable,  // always the portable table code
};

}  // namespace transport
