#include "yc_convert.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>

#include "pipeline/picture_codec.h"

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

// The whole picture's rows through the filters' own codec, in Y, Cb and Cr.
template <typename Each>
void EachGroup(const Y4mFormat& format, Y4mFrame* frame, Each each) {
  pipeline::PictureCodec codec;
  if (!codec.Open(PictureOf(format, frame), pipeline::Space::kYc)) throw std::bad_alloc();
  for (std::int32_t y = 0; y < format.height; y += codec.groupRows()) {
    each(codec, y, std::min(codec.groupRows(), format.height - y));
  }
}

}  // namespace

void Y4mFrameToYc(const Y4mFormat& format, const Y4mFrame& frame, YcImage* image) {
  image->Resize(format.width, format.height);
  // Decoding only reads the frame.
  EachGroup(format, const_cast<Y4mFrame*>(&frame),
            [&](const pipeline::PictureCodec& codec, std::int32_t y, std::int32_t n) {
              codec.Decode(y, n, &image->at(0, y).y, kPixelBytes * format.width);
            });
}

void YcToY4mFrame(const Y4mFormat& format, const YcImage& image, Y4mFrame* frame) {
  frame->bytes.resize(format.FrameBytes());
  EachGroup(format, frame,
            [&](const pipeline::PictureCodec& codec, std::int32_t y, std::int32_t n) {
              codec.Encode(y, n, &image.at(0, y).y, kPixelBytes * format.width);
            });
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
