// tAST::status(s) on any line a charger (or the bus) may send, then the formatted
// line built from whatever it read, hours later or earlier by the wall clock.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "FuzzRuntime.h"
#include "StatusRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  tFuzzRuntime &rt = FuzzRuntime();
  FuzzedDataProvider in(data, size);
  FuzzConsole().SetDebugLevel(in.ConsumeBool() ? 9 : 0);
  rt.wall = in.ConsumeIntegral<int32_t>();
  const int64_t later = in.ConsumeIntegral<int32_t>();

  tAST ast(FuzzConsole());
  // Fields a bus message may have set before the line came.
  for (int n = 1; n <= tAST::kFields && in.ConsumeBool(); n++) {
    const uint32_t bits = in.ConsumeIntegral<uint32_t>();
    std::memcpy(&ast.Field(n), &bits, sizeof(float));
  }
  const std::string line = in.ConsumeRemainingBytesAsString();
  FUZZ_CHECK(ast.status(line, rt.now) == line);
  FUZZ_CHECK(ast.Parsed());
  rt.wall += later;
  const std::string shown = ast.status(rt.now);
  FUZZ_CHECK(shown.size() < 1024 && shown.compare(0, 5, "AST;,") == 0 && shown.back() == '\n');
  for (int n = 1; n <= tAST::kFields; n++) {
    const int v = AstInt(ast.Field(n));
    FUZZ_CHECK(v >= INT_MIN && v <= INT_MAX);
  }

  tCPE other;
  FUZZ_CHECK(other.status(rt.now).empty() && other.status(line, rt.now) == line &&
             other.status(rt.now) == line);
  return 0;
}
