#include "frame_samples.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "png_io.h"

namespace tessaro::obs_test {

// clang-format off
const std::vector<Format>& Formats() {
  static const std::vector<Format> formats = {
    {VideoFormat::kI420, "I420", Format::kPlanar,     1, 1, false, 8,  0, false, "",     "C420jpeg"},
    {VideoFormat::kNv12, "NV12", Format::kSemiPlanar, 1, 1, false, 8,  0, false, "",     "C420jpeg"},
    {VideoFormat::kYvyu, "YVYU", Format::kPacked,     1, 0, false, 8,  0, false, "YVYU", "C422"},
    {VideoFormat::kYuy2, "YUY2", Format::kPacked,     1, 0, false, 8,  0, false, "YUYV", "C422"},
    {VideoFormat::kUyvy, "UYVY", Format::kPacked,     1, 0, false, 8,  0, false, "UYVY", "C422"},
    {VideoFormat::kRgba, "RGBA", Format::kRgb,        0, 0, false, 8,  0, true,  "RGBA", ""},
    {VideoFormat::kBgra, "BGRA", Format::kRgb,        0, 0, false, 8,  0, true,  "BGRA", ""},
    {VideoFormat::kBgrx, "BGRX", Format::kRgb,        0, 0, false, 8,  0, true,  "BGRA", ""},
    {VideoFormat::kY800, "Y800", Format::kPlanar,     0, 0, true,  8,  0, false, "",     "Cmono"},
    {VideoFormat::kI444, "I444", Format::kPlanar,     0, 0, false, 8,  0, false, "",     "C444"},
    {VideoFormat::kI422, "I422", Format::kPlanar,     1, 0, false, 8,  0, false, "",     "C422"},
    {VideoFormat::kI40a, "I40A", Format::kPlanar,     1, 1, false, 8,  0, true,  "",     "C420jpeg"},
    {VideoFormat::kI42a, "I42A", Format::kPlanar,     1, 0, false, 8,  0, true,  "",     "C422"},
    {VideoFormat::kYuva, "YUVA", Format::kPlanar,     0, 0, false, 8,  0, true,  "",     "C444"},
    {VideoFormat::kI010, "I010", Format::kPlanar,     1, 1, false, 10, 0, false, "",     "C420p10"},
    {VideoFormat::kP010, "P010", Format::kSemiPlanar, 1, 1, false, 10, 6, false, "",     "C420p10"},
    {VideoFormat::kI210, "I210", Format::kPlanar,     1, 0, false, 10, 0, false, "",     "C422p10"},
    {VideoFormat::kI412, "I412", Format::kPlanar,     0, 0, false, 12, 0, false, "",     "C444p12"},
    {VideoFormat::kYa2l, "YA2L", Format::kPlanar,     0, 0, false, 12, 0, true,  "",     "C444p12"},
  };
  return formats;
}
// clang-format on

const Format* FormatOf(VideoFormat id) {
  for (const Format& f : Formats()) {
    if (f.id == id) return &f;
  }
  return nullptr;
}

namespace {

int PlaneCount(const Format& f) {
  return f.mono ? 1 : 3;
}

Samples Shaped(const Format& f, int w, int h) {
  Samples s;
  s.width = w;
  s.height = h;
  for (int p = 0; p < 4; ++p) {
    const bool chroma = (p == 1 || p == 2) && f.kind != Format::kRgb;
    s.pw[p] = chroma ? (w + (1 << f.sx) - 1) >> f.sx : w;
    s.ph[p] = chroma ? (h + (1 << f.sy) - 1) >> f.sy : h;
    const bool present = p < PlaneCount(f) || (p == 3 && f.alpha);
    if (present) s.plane[p].assign(static_cast<std::size_t>(s.pw[p]) * s.ph[p], 0);
  }
  return s;
}

}  // namespace

Samples Scene(const Format& f, int w, int h, std::uint32_t seed, int level) {
  Samples s = Shaped(f, w, h);
  const int top = (1 << f.bits) - 1;
  const int unit = 1 << (f.bits - 8);  // codes of one 8-bit step
  std::uint32_t r = seed * 2654435761u + 1;
  const auto noise = [&](int span) {
    r = r * 1664525u + 1013904223u;
    return static_cast<int>((r >> 8) % static_cast<std::uint32_t>(2 * span + 1)) - span;
  };
  for (int p = 0; p < 4; ++p) {
    if (s.plane[p].empty()) continue;
    for (int y = 0; y < s.ph[p]; ++y) {
      for (int x = 0; x < s.pw[p]; ++x) {
        int v;
        if (p == 3) {
          v = noise(top / 2) + top / 2;
        } else if (p == 0 || f.kind == Format::kRgb) {
          const int base =
              60 + level + 10 * p + 70 * x / std::max(1, s.pw[p]) + 40 * y / std::max(1, s.ph[p]);
          const bool shape =
              (x - s.pw[p] / 3) * (x - s.pw[p] / 3) + (y - s.ph[p] / 2) * (y - s.ph[p] / 2) <
              s.ph[p] * s.ph[p] / 9;
          v = (shape ? base + 35 : base) * unit + noise(3 * unit);
        } else {
          v = (128 + (p == 1 ? -12 : 9) + 20 * x / std::max(1, s.pw[p])) * unit + noise(4 * unit);
        }
        s.at(p, x, y) = static_cast<std::uint32_t>(std::clamp(v, 0, top));
      }
    }
  }
  return s;
}

namespace {

void PutCode(std::uint8_t* at, const Format& f, std::uint32_t code) {
  if (f.bits == 8) {
    *at = static_cast<std::uint8_t>(code);
    return;
  }
  const std::uint32_t word = code << f.shift;
  at[0] = static_cast<std::uint8_t>(word);
  at[1] = static_cast<std::uint8_t>(word >> 8);
}

std::uint32_t GetCode(const std::uint8_t* at, const Format& f) {
  if (f.bits == 8) return *at;
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8)) >> f.shift;
}

// Where sample x of row y of picture plane p lies in an OBS frame: the frame's plane, its
// offset in that plane's row, and the bytes between neighbours.
struct Place {
  int plane;
  int offset, stride;
};
Place PlaceOf(const Format& f, int p) {
  const int b = f.bits > 8 ? 2 : 1;
  switch (f.kind) {
    case Format::kPlanar:
      return {p, 0, b};
    case Format::kSemiPlanar:
      return p == 0 ? Place{0, 0, b} : Place{1, (p - 1) * b, 2 * b};
    case Format::kPacked: {
      const char want = "YUVA"[p];
      const int first = static_cast<int>(std::strchr(f.order, want) - f.order);
      return {0, first, p == 0 ? 2 : 4};
    }
    case Format::kRgb: {
      const char want = "RGBA"[p];
      const char* at = std::strchr(f.order, want);
      return {0, static_cast<int>((at != nullptr ? at : f.order + 3) - f.order), 4};
    }
  }
  return {0, 0, 1};
}

int FramePlanes(const Format& f) {
  switch (f.kind) {
    case Format::kPlanar:
      return f.alpha ? 4 : PlaneCount(f);
    case Format::kSemiPlanar:
      return 2;
    default:
      return 1;
  }
}

}  // namespace

OwnedFrame ToFrame(const Format& f, const Samples& s, bool fullRange, std::uint64_t time, int pad) {
  OwnedFrame o;
  const int planes = f.kind == Format::kRgb ? 4 : PlaneCount(f) + (f.alpha ? 1 : 0);
  int rowBytes[4] = {}, rows[4] = {};
  for (int p = 0; p < planes; ++p) {
    const Place at = PlaceOf(f, p);
    rowBytes[at.plane] = std::max(rowBytes[at.plane], at.offset + at.stride * s.pw[p]);
    rows[at.plane] = std::max(rows[at.plane], s.ph[p]);
  }
  if (f.kind == Format::kPacked) rowBytes[0] = 2 * s.width;  // two pixels in four bytes
  for (int q = 0; q < FramePlanes(f); ++q) {
    o.frame.linesize[q] = static_cast<std::uint32_t>(rowBytes[q] + pad);
    o.bytes[q].assign(static_cast<std::size_t>(o.frame.linesize[q]) * rows[q], 0xA5);
    o.frame.data[q] = o.bytes[q].data();
  }
  for (int p = 0; p < planes; ++p) {
    const Place at = PlaceOf(f, p);
    for (int y = 0; y < s.ph[p]; ++y) {
      for (int x = 0; x < s.pw[p]; ++x) {
        PutCode(o.frame.data[at.plane] + static_cast<std::size_t>(y) * o.frame.linesize[at.plane] +
                    at.offset + at.stride * x,
                f, s.at(p, x, y));
      }
    }
  }
  o.frame.width = static_cast<std::uint32_t>(s.width);
  o.frame.height = static_cast<std::uint32_t>(s.height);
  o.frame.format = f.id;
  o.frame.fullRange = fullRange;
  o.frame.timestamp = time;
  return o;
}

Samples FromFrame(const Format& f, const obs::SourceFrame& frame) {
  Samples s = Shaped(f, static_cast<int>(frame.width), static_cast<int>(frame.height));
  for (int p = 0; p < 4; ++p) {
    if (s.plane[p].empty()) continue;
    const Place at = PlaceOf(f, p);
    for (int y = 0; y < s.ph[p]; ++y) {
      for (int x = 0; x < s.pw[p]; ++x) {
        s.at(p, x, y) =
            GetCode(frame.data[at.plane] + static_cast<std::size_t>(y) * frame.linesize[at.plane] +
                        at.offset + at.stride * x,
                    f);
      }
    }
  }
  return s;
}

std::vector<std::string> Split(const std::string& joined) {
  std::vector<std::string> parts;
  for (std::string rest = joined; !rest.empty();) {
    const std::size_t bar = rest.find('|');
    parts.push_back(rest.substr(0, bar));
    rest = bar == std::string::npos ? "" : rest.substr(bar + 1);
  }
  return parts;
}

void EachSetting(const std::string& settings, const SettingSetter& set) {
  const std::vector<std::string> args = Split(settings);
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::size_t eq = args[i + 1].find('=');
    set(args[i + 1].substr(0, eq), std::atoi(args[i + 1].c_str() + eq + 1), args[i] == "--check");
  }
}

namespace {

void WriteY4m(const std::string& path, const Format& f, const std::vector<Samples>& frames,
              bool fullRange) {
  std::ofstream out(path, std::ios::binary);
  out << "YUV4MPEG2 W" << frames[0].width << " H" << frames[0].height << " F30:1 Ip A1:1 " << f.y4m
      << (fullRange ? " XCOLORRANGE=FULL" : "") << "\n";
  for (const Samples& s : frames) {
    out << "FRAME\n";
    for (int p = 0; p < PlaneCount(f); ++p) {
      for (std::uint32_t c : s.plane[p]) {
        out.put(static_cast<char>(c & 0xFF));
        if (f.bits > 8) out.put(static_cast<char>(c >> 8));
      }
    }
  }
}

std::vector<Samples> ReadY4m(const std::string& path, const Format& f, int w, int h) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::getline(in, line);  // the stream header
  std::vector<Samples> frames;
  while (std::getline(in, line) && line.rfind("FRAME", 0) == 0) {
    Samples s = Shaped(f, w, h);
    s.plane[3].clear();
    for (int p = 0; p < PlaneCount(f); ++p) {
      for (std::uint32_t& c : s.plane[p]) {
        c = static_cast<std::uint8_t>(in.get());
        if (f.bits > 8) c |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(in.get())) << 8;
      }
    }
    if (!in) break;
    frames.push_back(std::move(s));
  }
  return frames;
}

tessaro::tools::PngImage ToPng(const Samples& s) {
  tessaro::tools::PngImage png;
  png.width = s.width;
  png.height = s.height;
  png.channels = 4;
  png.bitDepth = 8;
  for (std::size_t i = 0; i < s.plane[0].size(); ++i) {
    for (int c = 0; c < 4; ++c) png.samples.push_back(static_cast<std::uint16_t>(s.plane[c][i]));
  }
  return png;
}

}  // namespace

std::vector<Samples> Apply(const Runner& run, const std::string& tessaro,
                           const std::string& scratch, const Format& f,
                           const std::vector<Samples>& frames, bool fullRange,
                           const std::string& filter, const std::string& settings) {
  std::vector<std::string> args = {tessaro, "apply", "", "", "--quiet", "--filter", filter};
  for (const std::string& a : Split(settings)) args.push_back(a);
  std::vector<Samples> results;
  if (f.kind != Format::kRgb) {
    args[2] = scratch + "in.y4m";
    args[3] = scratch + "out.y4m";
    WriteY4m(args[2], f, frames, fullRange);
    if (run(args) != 0) return {};
    results = ReadY4m(args[3], f, frames[0].width, frames[0].height);
    for (std::size_t i = 0; i < results.size() && i < frames.size(); ++i) {
      results[i].plane[3] = frames[i].plane[3];
    }
    return results;
  }
  for (const Samples& s : frames) {
    args[2] = scratch + "in.png";
    args[3] = scratch + "out.png";
    if (tessaro::tools::WritePng(args[2], ToPng(s))) return {};
    tessaro::tools::PngImage png;
    if (run(args) != 0 || tessaro::tools::ReadPng(args[3], &png) || png.channels != 4) return {};
    Samples r = Shaped(f, s.width, s.height);
    for (std::size_t i = 0; i < r.plane[0].size(); ++i) {
      for (int c = 0; c < 4; ++c) r.plane[c][i] = png.samples[4 * i + c];
    }
    results.push_back(std::move(r));
  }
  return results;
}

std::string Differences(const Samples& got, const Samples& want) {
  std::ostringstream out;
  if (got.width != want.width || got.height != want.height) return "another size";
  for (int p = 0; p < 4; ++p) {
    if (got.plane[p].size() != want.plane[p].size()) {
      out << " plane " << p << " missing";
      continue;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < got.plane[p].size(); ++i) {
      differing += got.plane[p][i] != want.plane[p][i];
    }
    if (differing != 0) out << " plane " << p << ": " << differing << " samples";
  }
  return out.str();
}

}  // namespace tessaro::obs_test
