// Fuzzes the renderer's parameter settings "NAME=VALUE": the name lookup and the value
// parser in the editor's units, plus the program lookup. Invariants: a found index is a
// parameter; an accepted value is a finite normalized number in 0..1; a refusal carries
// a message; and the value parser is tried for every parameter, not only the named one.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "params/factory_presets.h"
#include "params/param_table.h"
#include "params/value_parse.h"

namespace {

using namespace tarvo::params;

[[noreturn]] void fail(const char* what, int index) {
  std::fprintf(stderr, "invariant broken: %s (parameter %d)\n", what, index);
  std::abort();
}

void checkParsed(int index, std::string_view text) {
  const ParsedValue v = parseValue(index, text);
  if (v.ok) {
    if (!std::isfinite(v.value) || v.value < 0.0f || v.value > 1.0f) {
      fail("accepted value outside 0..1", index);
    }
    if (!v.error.empty()) fail("accepted value with an error message", index);
  } else if (v.error.empty()) {
    fail("refusal without a message", index);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  const size_t eq = whole.find('=');
  const std::string_view name = whole.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? whole : whole.substr(eq + 1);

  if (const auto index = findParameter(name)) {
    if (*index < 0 || *index >= kNumParams) fail("name lookup out of range", *index);
    checkParsed(*index, value);
  }
  for (int index = -1; index <= kNumParams; ++index) checkParsed(index, value);
  if (const auto program = findProgram(whole)) {
    if (*program < 0 || *program >= kNumPrograms) fail("program lookup out of range", *program);
  }
  (void)describeRange(size % (kNumParams + 2) - 1);
  return 0;
}
