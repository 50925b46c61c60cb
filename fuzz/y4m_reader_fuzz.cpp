// The command-line host's Y4M reader on any stream: a header and frames, or a failure; never a
// crash. Frames handed out have the sizes their header declares.
#include <cstdio>

#include "fuzz_input.h"
#include "y4m.h"

using namespace tessaro::tools;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  Y4mReader reader(file, "fuzz.y4m");
  if (!reader.ReadHeader()) {
    const Y4mFormat& format = reader.format();
    Y4mFrame frame;
    Failure failure;
    for (int i = 0; i < 64 && reader.Next(&frame, &failure); ++i) {
      TESSARO_FUZZ_CHECK(frame.bytes.size() == format.FrameBytes());
    }
  }
  std::fclose(file);
  return 0;
}
