// OBS's frame formats written out independently of the plug-in, for its test hosts: where each
// sample of each format lies, frames made from samples and read back, seeded scenes, and the
// oracle, `tessaro apply` on the same samples (Y4M for YUV, PNG for RGB).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "obs_api.h"

namespace tessaro::obs_test {

using obs::VideoFormat;

struct Format {
  VideoFormat id;
  const char* name;
  enum Kind { kPlanar, kSemiPlanar, kPacked, kRgb } kind;
  int sx, sy;         // chroma subsampling, as shifts across and down
  bool mono;          // luma alone
  int bits;           // bits of a code; above 8, two little-endian bytes a sample
  int shift;          // bits the code lies above bit 0 (P010: 6)
  bool alpha;         // a fourth plane of alpha after Y, Cb and Cr (RGB: the fourth byte)
  const char* order;  // packed YUV: the bytes of two pixels; RGB: the bytes of one
  const char* y4m;    // the Y4M colour space of the same samples
};

// Every format the filters take.
const std::vector<Format>& Formats();
const Format* FormatOf(VideoFormat id);

// A frame's codes plane by plane: Y, Cb, Cr and alpha, or R, G, B and the fourth byte.
struct Samples {
  int width = 0, height = 0;
  int pw[4] = {}, ph[4] = {};
  std::vector<std::uint32_t> plane[4];

  std::uint32_t& at(int p, int x, int y) {
    return plane[p][static_cast<std::size_t>(y) * pw[p] + x];
  }
  std::uint32_t at(int p, int x, int y) const {
    return plane[p][static_cast<std::size_t>(y) * pw[p] + x];
  }
};

// A dim, low-contrast scene with a cast, shapes and noise, which every filter changes; `level`
// (in 8-bit codes) moves its brightness.
Samples Scene(const Format& f, int width, int height, std::uint32_t seed, int level = 0);

// A frame with planes of its own, each row `pad` bytes longer than it needs.
struct OwnedFrame {
  obs::SourceFrame frame{};
  std::vector<std::uint8_t> bytes[4];
};
OwnedFrame ToFrame(const Format& f, const Samples& s, bool fullRange, std::uint64_t time,
                   int pad = 16);
Samples FromFrame(const Format& f, const obs::SourceFrame& frame);

// What is wrong with `got`: "" when it equals `want`, else the planes that differ and by how
// many samples.
std::string Differences(const Samples& got, const Samples& want);

// Runs a program (its path first) and gives its exit status, -1 when it cannot.
using Runner = std::function<int(const std::vector<std::string>& args)>;

// "a|b|c" as {"a", "b", "c"}.
std::vector<std::string> Split(const std::string& joined);

// Settings as `tessaro apply` takes them ("--set|midRng=70|--check|Cb=1"), one by one:
// set(name, value, whether it is a check box).
using SettingSetter = std::function<void(const std::string& name, int value, bool check)>;
void EachSetting(const std::string& settings, const SettingSetter& set);

// The source id OBS knows a filter by.
inline const char* FilterId(const std::string& filter) {
  return filter == "Auto Level" ? "tessaro_auto_level" : "tessaro_quillon_level";
}

// The timestamps of a stream of 30 frames a second.
inline constexpr std::uint64_t kFrameNs = 33'333'333;

// What `tessaro apply` (TESSARO) makes of the frames with the filter and its settings as it
// takes them ("|" between arguments), through files in `scratch` (a folder, its separator at
// the end); the frames' alpha as it came. Empty when it fails.
std::vector<Samples> Apply(const Runner& run, const std::string& tessaro,
                           const std::string& scratch, const Format& f,
                           const std::vector<Samples>& frames, bool fullRange,
                           const std::string& filter, const std::string& settings);

}  // namespace tessaro::obs_test
