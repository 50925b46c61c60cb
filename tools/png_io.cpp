#include "png_io.h"

#include <stb_image.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "yc_image.h"

// stb_image_write's compressor; its header declares it only in the implementation part.
extern "C" unsigned char* stbi_zlib_compress(unsigned char* data, int dataLength, int* outLength,
                                             int quality);

namespace tessaro::tools {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Anything larger cannot be a picture the host accepts.
constexpr long long kMaxFileBytes = 1LL << 30;

std::uint32_t Crc32(const unsigned char* data, std::size_t n, std::uint32_t crc) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBig32(std::vector<unsigned char>* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(static_cast<unsigned char>(v >> shift));
}

void PutChunk(std::vector<unsigned char>* out, const char type[4], const unsigned char* data,
              std::size_t n) {
  PutBig32(out, static_cast<std::uint32_t>(n));
  const std::size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data, data + n);
  PutBig32(out, Crc32(out->data() + start, n + 4, 0));
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Each row gets the filter whose output has the smallest sum of magnitudes, the usual
// heuristic for a small file.
std::vector<unsigned char> FilterRows(const std::vector<unsigned char>& raw, std::size_t rowBytes,
                                      std::size_t rows, std::size_t bpp) {
  std::vector<unsigned char> out((rowBytes + 1) * rows);
  std::vector<unsigned char> candidate(rowBytes), best(rowBytes);
  const std::vector<unsigned char> zeros(rowBytes, 0);
  for (std::size_t y = 0; y < rows; ++y) {
    const unsigned char* row = raw.data() + y * rowBytes;
    const unsigned char* up = y > 0 ? row - rowBytes : zeros.data();
    long bestCost = -1;
    int bestType = 0;
    for (int type = 0; type < 5; ++type) {
      long cost = 0;
      for (std::size_t i = 0; i < rowBytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = up[i];
        const int c = i >= bpp ? up[i - bpp] : 0;
        int predictor = 0;
        switch (type) {
          case 1:
            predictor = a;
            break;
          case 2:
            predictor = b;
            break;
          case 3:
            predictor = (a + b) / 2;
            break;
          case 4:
            predictor = Paeth(a, b, c);
            break;
          default:
            break;
        }
        candidate[i] = static_cast<unsigned char>(row[i] - predictor);
        cost += std::abs(static_cast<signed char>(candidate[i]));
      }
      if (bestCost < 0 || cost < bestCost) {
        bestCost = cost;
        bestType = type;
        best.swap(candidate);
      }
    }
    out[y * (rowBytes + 1)] = static_cast<unsigned char>(bestType);
    std::memcpy(out.data() + y * (rowBytes + 1) + 1, best.data(), rowBytes);
  }
  return out;
}

Failure Unreadable(const std::string& path, const std::string& why) {
  return Fail(ExitStatus::kBadInput, path + ": unreadable PNG: " + why);
}

// The decoder sizes its buffer from a chunk's stated length before reading it, so a damaged
// length would have it reserve up to 2 GiB; every chunk up to IEND must lie inside the file.
// What follows IEND is never read.
bool ChunksFitFile(const std::vector<unsigned char>& bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t at = sizeof kSignature; at + 8 <= size;) {
    const unsigned char* head = bytes.data() + at;
    const std::uint32_t length = (std::uint32_t{head[0]} << 24) | (std::uint32_t{head[1]} << 16) |
                                 (std::uint32_t{head[2]} << 8) | std::uint32_t{head[3]};
    if (length > size - at - 8) return false;
    if (std::memcmp(head + 4, "IEND", 4) == 0) return true;
    at += 12 + std::size_t{length};
  }
  return true;  // a file cut at a chunk boundary is the decoder's to refuse
}

}  // namespace

Failure ReadPng(const std::string& path, PngImage* image) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return Fail(ExitStatus::kBadInput, path + ": cannot open: " + std::strerror(errno));
  }
  std::vector<unsigned char> bytes;
  unsigned char chunk[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (static_cast<long long>(bytes.size()) > kMaxFileBytes) break;
  }
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError)
    return Fail(ExitStatus::kBadInput, path + ": cannot read: " + std::strerror(errno));
  if (static_cast<long long>(bytes.size()) > kMaxFileBytes) {
    return Fail(ExitStatus::kUnsupported, path + ": file too large for a picture");
  }
  if (bytes.size() < sizeof kSignature ||
      std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) {
    return Unreadable(path, "no PNG signature");
  }
  if (!ChunksFitFile(bytes)) return Unreadable(path, "a chunk runs past the end of the file");
  const int len = static_cast<int>(bytes.size());
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(bytes.data(), len, &w, &h, &comp)) {
    return Unreadable(path, stbi_failure_reason());
  }
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide ||
      static_cast<std::int64_t>(w) * h > kMaxPixels) {
    return Fail(ExitStatus::kUnsupported, path + ": picture " + std::to_string(w) + "x" +
                                              std::to_string(h) + " is too large");
  }
  const bool wide = stbi_is_16_bit_from_memory(bytes.data(), len) != 0;
  int x = 0, y = 0, inFile = 0;
  PngImage out;
  if (wide) {
    std::unique_ptr<stbi_us, void (*)(void*)> data(
        stbi_load_16_from_memory(bytes.data(), len, &x, &y, &inFile, comp), stbi_image_free);
    if (!data) return Unreadable(path, stbi_failure_reason());
    out.samples.assign(data.get(), data.get() + static_cast<std::size_t>(x) * y * comp);
  } else {
    std::unique_ptr<stbi_uc, void (*)(void*)> data(
        stbi_load_from_memory(bytes.data(), len, &x, &y, &inFile, comp), stbi_image_free);
    if (!data) return Unreadable(path, stbi_failure_reason());
    out.samples.assign(data.get(), data.get() + static_cast<std::size_t>(x) * y * comp);
  }
  if (x != w || y != h) return Unreadable(path, "size changed while decoding");
  out.width = w;
  out.height = h;
  out.channels = comp;
  out.bitDepth = wide ? 16 : 8;
  *image = std::move(out);
  return {};
}

std::vector<unsigned char> EncodePng(const PngImage& image) {
  const std::size_t bytesPerSample = image.bitDepth == 16 ? 2 : 1;
  const std::size_t bpp = bytesPerSample * static_cast<std::size_t>(image.channels);
  const std::size_t rowBytes = bpp * static_cast<std::size_t>(image.width);
  std::vector<unsigned char> raw(rowBytes * static_cast<std::size_t>(image.height));
  unsigned char* r = raw.data();
  for (std::uint16_t s : image.samples) {
    if (bytesPerSample == 2) *r++ = static_cast<unsigned char>(s >> 8);  // big-endian
    *r++ = static_cast<unsigned char>(s & 0xFF);
  }
  std::vector<unsigned char> filtered =
      FilterRows(raw, rowBytes, static_cast<std::size_t>(image.height), bpp);
  int zlen = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> zlib(
      stbi_zlib_compress(filtered.data(), static_cast<int>(filtered.size()), &zlen, 8), std::free);
  if (!zlib) return {};

  static constexpr unsigned char kColourType[5] = {0, 0, 4, 2, 6};
  std::vector<unsigned char> header;
  PutBig32(&header, static_cast<std::uint32_t>(image.width));
  PutBig32(&header, static_cast<std::uint32_t>(image.height));
  header.push_back(static_cast<unsigned char>(image.bitDepth));
  header.push_back(kColourType[image.channels]);
  header.insert(header.end(), {0, 0, 0});  // deflate, adaptive filtering, no interlace

  std::vector<unsigned char> file(kSignature, kSignature + sizeof kSignature);
  PutChunk(&file, "IHDR", header.data(), header.size());
  PutChunk(&file, "IDAT", zlib.get(), static_cast<std::size_t>(zlen));
  PutChunk(&file, "IEND", nullptr, 0);
  return file;
}

Failure WritePng(const std::string& path, const PngImage& image) {
  const std::vector<unsigned char> bytes = EncodePng(image);
  if (bytes.empty()) return Fail(ExitStatus::kInternal, path + ": cannot compress the picture");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return Fail(ExitStatus::kOutput, path + ": cannot create: " + std::strerror(errno));
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    return Fail(ExitStatus::kOutput, path + ": cannot write: " + std::strerror(errno));
  }
  return {};
}

}  // namespace tessaro::tools
