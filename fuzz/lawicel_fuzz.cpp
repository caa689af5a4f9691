// The LAWICEL line reader and parser on whatever a serial-line adapter (or something
// pretending to be one) sends: lines of any length and content, BELs, stray bytes.
#include <cstring>

#include "FuzzCheck.h"
#include "LawicelCodec.h"

namespace {
// A frame that was parsed formats back to a line that parses to the same frame.
void CheckFrame(const tCanFrame &f) {
  FUZZ_CHECK(f.len <= kCanMaxDataLen && f.id <= kCanIdMask);
  char line[kLawicelFrameLineSize];
  const int n = LawicelFormatFrame(f, line, sizeof(line));
  FUZZ_CHECK(n > 0 && static_cast<size_t>(n) <= sizeof(line) && line[n - 1] == '\r');
  const tLawicelParsed again = LawicelParseLine(line, static_cast<size_t>(n - 1));
  FUZZ_CHECK(again.kind == tLawicelLine::kFrame);
  FUZZ_CHECK(again.frame.id == f.id && again.frame.len == f.len);
  FUZZ_CHECK(std::memcmp(again.frame.data, f.data, f.len) == 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *text = reinterpret_cast<const char *>(data);
  // The whole input as one line, however long.
  const tLawicelParsed whole = LawicelParseLine(text, size);
  if (whole.kind == tLawicelLine::kFrame) CheckFrame(whole.frame);

  // The input as a byte stream through the reader, each line parsed.
  tLawicelLineReader reader;
  for (size_t i = 0; i < size; i++) {
    switch (reader.Feed(text[i])) {
      case tLawicelLineReader::tEvent::kLine: {
        FUZZ_CHECK(reader.Length() <= kLawicelMaxLine);
        const tLawicelParsed p = LawicelParseLine(reader.Line(), reader.Length());
        if (p.kind == tLawicelLine::kFrame) CheckFrame(p.frame);
        break;
      }
      case tLawicelLineReader::tEvent::kBell:
      case tLawicelLineReader::tEvent::kDiscarded:
      case tLawicelLineReader::tEvent::kNone:
        break;
    }
  }
  return 0;
}
