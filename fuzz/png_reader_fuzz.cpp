// The command-line host's PNG reader on any file: a picture whose samples fill its size and
// depth, or a failure; never a crash.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz_input.h"
#include "png_io.h"

using namespace tessaro::tools;

namespace {
// A chunk that claims more bytes than the file holds makes the decoder grow its buffer towards
// 2 GiB before it notices (regressions/png_reader): the reader is to refuse such files itself;
// until it does, the fuzzer skips them so that it can look for anything else.
bool ChunkLengthsFit(const std::uint8_t* data, std::size_t size) {
  for (std::size_t at = 8; at + 8 <= size;) {
    const std::uint32_t length =
        (std::uint32_t{data[at]} << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3];
    if (length > size - at - 8) return false;
    at += 12 + std::size_t{length};
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!ChunkLengthsFit(data, size)) return 0;
  // The reader takes a path: an in-memory file keeps the disk out of the loop.
  static const int fd = memfd_create("fuzz.png", 0);
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
    return 0;
  }
  PngImage image;
  if (!ReadPng("/proc/self/fd/" + std::to_string(fd), &image)) {
    TESSARO_FUZZ_CHECK(image.width > 0 && image.height > 0);
    TESSARO_FUZZ_CHECK(image.channels >= 1 && image.channels <= 4);
    TESSARO_FUZZ_CHECK(image.bitDepth == 8 || image.bitDepth == 16);
    TESSARO_FUZZ_CHECK(image.samples.size() ==
                       static_cast<std::size_t>(image.width) * image.height * image.channels);
    const std::uint32_t top = (1u << image.bitDepth) - 1;
    for (std::uint16_t s : image.samples) TESSARO_FUZZ_CHECK(s <= top);
  }
  return 0;
}
