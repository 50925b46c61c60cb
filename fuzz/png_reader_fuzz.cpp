// The command-line host's PNG reader on any file: a picture whose samples fill its size and
// depth, or a failure; never a crash.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz_input.h"
#include "png_io.h"

using namespace tessaro::tools;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
