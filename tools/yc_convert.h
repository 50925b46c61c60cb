// Conversions between stored picture samples (codes) and the module's YcPixel samples:
// Y 0..4096 for black..white, Cb and Cr -2048..2048 for the full colour-difference span.
#pragma once

#include <cstdint>

#include "host/host_records.h"
#include "pipeline/yuv_codes.h"
#include "png_io.h"
#include "y4m.h"
#include "yc_image.h"

namespace tessaro::tools {

// Codes and samples of YUV streams, as the filters convert them: exactly the nearest values.
using SampleScale = pipeline::CodeScale;
inline SampleScale LumaScale(int bitDepth, bool fullRange) {
  return pipeline::LumaCodes(bitDepth, fullRange);
}
inline SampleScale ChromaScale(int bitDepth, bool fullRange) {
  return pipeline::ChromaCodes(bitDepth, fullRange);
}
using pipeline::CodeToSample;
using pipeline::SamplesToCode;
using pipeline::SampleToCode;

// Subsampled chroma is replicated over the pixels it covers on the way in and averaged
// over them on the way out, so chroma that no filter changed comes back as it was.
void Y4mFrameToYc(const Y4mFormat& format, const Y4mFrame& frame, YcImage* image);
void YcToY4mFrame(const Y4mFormat& format, const YcImage& image, Y4mFrame* frame);

// BT.601 on RGB normalised to 0..1, scaled by 4096. Grey pictures carry luma only.
YcPixel RgbToYc(double r, double g, double b);
void YcToRgb(const YcPixel& p, double* r, double* g, double* b);  // unclamped

// One pixel of RGB codes 0..maxCode (2^N - 1 for N bits), as an RGB PNG is converted.
YcPixel RgbCodesToYc(unsigned r, unsigned g, unsigned b, int maxCode);
void YcToRgbCodes(const YcPixel& p, int maxCode, std::uint16_t rgb[3]);  // clamped, rounded

// Colour channels only; alpha stays where it is in the PngImage.
void PngToYc(const PngImage& png, YcImage* image);
void YcToPng(const YcImage& image, PngImage* png);

}  // namespace tessaro::tools
