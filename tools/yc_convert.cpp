#include "yc_convert.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tessaro::tools {
namespace {

constexpr double kFullScale = kYcFullScale;
// BT.601 luma weights; the colour differences are (B - Y) / 1.772 and (R - Y) / 1.402.
constexpr double kKr = 0.299;
constexpr double kKb = 0.114;
constexpr double kKg = 1.0 - kKr - kKb;
constexpr double kCbSpan = 2.0 * (1.0 - kKb);
constexpr double kCrSpan = 2.0 * (1.0 - kKr);

int MaxCode(int bitDepth) {
  return (1 << bitDepth) - 1;
}

// Horizontal and vertical subsampling shifts.
int ShiftX(ChromaLayout c) {
  return c == ChromaLayout::k444 ? 0 : 1;
}
int ShiftY(ChromaLayout c) {
  return c == ChromaLayout::k420 ? 1 : 0;
}

}  // namespace

SampleScale LumaScale(int bitDepth, bool fullRange) {
  if (fullRange) return {0.0, MaxCode(bitDepth) / kFullScale, MaxCode(bitDepth)};
  const double s = std::ldexp(1.0, bitDepth - 8);
  return {16.0 * s, 219.0 * s / kFullScale, MaxCode(bitDepth)};
}

SampleScale ChromaScale(int bitDepth, bool fullRange) {
  if (fullRange) {
    return {std::ldexp(1.0, bitDepth - 1), MaxCode(bitDepth) / kFullScale, MaxCode(bitDepth)};
  }
  const double s = std::ldexp(1.0, bitDepth - 8);
  return {128.0 * s, 224.0 * s / kFullScale, MaxCode(bitDepth)};
}

std::int16_t CodeToSample(double code, const SampleScale& scale) {
  const double v = std::round((code - scale.zero) / scale.codesPerSample);
  return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

std::uint16_t SampleToCode(double sample, const SampleScale& scale) {
  const double v = std::round(scale.zero + sample * scale.codesPerSample);
  return static_cast<std::uint16_t>(std::clamp(v, 0.0, static_cast<double>(scale.maxCode)));
}

void Y4mFrameToYc(const Y4mFormat& format, const Y4mFrame& frame, YcImage* image) {
  image->Resize(format.width, format.height);
  const SampleScale luma = LumaScale(format.bitDepth, format.fullRange);
  const SampleScale chroma = ChromaScale(format.bitDepth, format.fullRange);
  const bool mono = format.chroma == ChromaLayout::kMono;
  const int sx = ShiftX(format.chroma), sy = ShiftY(format.chroma);
  const std::size_t cw = static_cast<std::size_t>(format.ChromaWidth());
  for (std::int32_t y = 0; y < format.height; ++y) {
    for (std::int32_t x = 0; x < format.width; ++x) {
      YcPixel& p = image->at(x, y);
      p.y = CodeToSample(frame.planes[0][static_cast<std::size_t>(y) * format.width + x], luma);
      if (mono) {
        p.cb = p.cr = 0;
        continue;
      }
      const std::size_t c =
          static_cast<std::size_t>(y >> sy) * cw + static_cast<std::size_t>(x >> sx);
      p.cb = CodeToSample(frame.planes[1][c], chroma);
      p.cr = CodeToSample(frame.planes[2][c], chroma);
    }
  }
}

void YcToY4mFrame(const Y4mFormat& format, const YcImage& image, Y4mFrame* frame) {
  const SampleScale luma = LumaScale(format.bitDepth, format.fullRange);
  const SampleScale chroma = ChromaScale(format.bitDepth, format.fullRange);
  for (int p = 0; p < 3; ++p) {
    frame->planes[p].resize(p < format.PlaneCount() ? format.PlaneSamples(p) : 0);
  }
  for (std::size_t i = 0; i < frame->planes[0].size(); ++i) {
    frame->planes[0][i] = SampleToCode(image.pixels[i].y, luma);
  }
  if (format.chroma == ChromaLayout::kMono) return;
  const int sx = ShiftX(format.chroma), sy = ShiftY(format.chroma);
  const std::int32_t cw = format.ChromaWidth(), ch = format.ChromaHeight();
  for (std::int32_t cy = 0; cy < ch; ++cy) {
    for (std::int32_t cx = 0; cx < cw; ++cx) {
      // The block this chroma sample covers, cut at the right and bottom edges.
      const std::int32_t x0 = cx << sx, y0 = cy << sy;
      const std::int32_t x1 = std::min(x0 + (1 << sx), format.width);
      const std::int32_t y1 = std::min(y0 + (1 << sy), format.height);
      double cb = 0.0, cr = 0.0;
      for (std::int32_t y = y0; y < y1; ++y) {
        for (std::int32_t x = x0; x < x1; ++x) {
          cb += image.at(x, y).cb;
          cr += image.at(x, y).cr;
        }
      }
      const double n = static_cast<double>((x1 - x0) * (y1 - y0));
      const std::size_t c = static_cast<std::size_t>(cy) * static_cast<std::size_t>(cw) +
                            static_cast<std::size_t>(cx);
      frame->planes[1][c] = SampleToCode(cb / n, chroma);
      frame->planes[2][c] = SampleToCode(cr / n, chroma);
    }
  }
}

YcPixel RgbToYc(double r, double g, double b) {
  const double y = kKr * r + kKg * g + kKb * b;
  auto toSample = [](double v) {
    return static_cast<std::int16_t>(std::clamp(std::round(v * kFullScale), -32768.0, 32767.0));
  };
  return YcPixel{toSample(y), toSample((b - y) / kCbSpan), toSample((r - y) / kCrSpan)};
}

void YcToRgb(const YcPixel& p, double* r, double* g, double* b) {
  const double y = p.y / kFullScale, cb = p.cb / kFullScale, cr = p.cr / kFullScale;
  *r = y + kCrSpan * cr;
  *b = y + kCbSpan * cb;
  *g = (y - kKr * *r - kKb * *b) / kKg;
}

YcPixel RgbCodesToYc(unsigned r, unsigned g, unsigned b, int maxCode) {
  const double m = maxCode;
  return RgbToYc(r / m, g / m, b / m);
}

void YcToRgbCodes(const YcPixel& p, int maxCode, std::uint16_t rgb[3]) {
  double v[3];
  YcToRgb(p, &v[0], &v[1], &v[2]);
  for (int c = 0; c < 3; ++c) {
    rgb[c] = static_cast<std::uint16_t>(std::round(std::clamp(v[c], 0.0, 1.0) * maxCode));
  }
}

void PngToYc(const PngImage& png, YcImage* image) {
  image->Resize(png.width, png.height);
  const int colours = png.ColourChannels();
  const SampleScale grey = LumaScale(png.bitDepth, true);
  const std::uint16_t* s = png.samples.data();
  for (YcPixel& p : image->pixels) {
    if (colours == 1) {
      p = YcPixel{CodeToSample(s[0], grey), 0, 0};
    } else {
      p = RgbCodesToYc(s[0], s[1], s[2], MaxCode(png.bitDepth));
    }
    s += png.channels;
  }
}

void YcToPng(const YcImage& image, PngImage* png) {
  const int colours = png->ColourChannels();
  const SampleScale grey = LumaScale(png->bitDepth, true);
  std::uint16_t* s = png->samples.data();
  for (const YcPixel& p : image.pixels) {
    if (colours == 1) {
      s[0] = SampleToCode(p.y, grey);
    } else {
      YcToRgbCodes(p, MaxCode(png->bitDepth), s);
    }
    s += png->channels;
  }
}

}  // namespace tessaro::tools
