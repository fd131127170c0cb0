#pragma once
// What the resource manager needs of the scene script interpreter: compiling
// a ".script" resource's text. The interpreter lives elsewhere and fills this
// interface; the engine never sees its headers.

#include <cstdint>
#include <string_view>

namespace engine {

class ScriptHost {
  public:
    virtual ~ScriptHost() = default;
    // Compiles the whole text of a script (GBK); -1 when it cannot be
    // compiled, any other value on success.
    virtual int Compile(std::string_view text) = 0;
    // The number of compiled script functions.
    virtual uint32_t GetScriptCount() const = 0;
    // The number of script runs under way.
    virtual uint32_t GetRunningCount() const { return 0; }
};

}  // namespace engine
