// Both filters on a host's own picture of any description: 8-bit RGBA or BGRA read from one
// buffer and written to another or in place, and YUV planes of any depth, layout, step and
// stride, with any live control values. A description that cannot be safe is refused with
// nothing written; one that can comes out the same on the passes as on the per-sample road, on
// the code path the input picks and on the generic one, and nothing beyond it is touched.
#include <memory>

#include "autolevel/auto_level.h"
#include "filter_frame.h"
#include "levels/levels.h"
#include "parallel/parallel.h"
#include "pipeline/picture.h"

using namespace tessaro;
using namespace tessaro::fuzz;
using pipeline::Outcome;
using pipeline::Picture;
using pipeline::Road;

namespace {

// Live values for a filter's rows: anything, or within each slider's range.
template <std::size_t kSliders, std::size_t kChecks>
void FillRows(Input& in, const pipeline::SliderRow (&rows)[kSliders], std::int32_t* sliders,
              std::int32_t* checks) {
  std::int32_t mins[kSliders], maxs[kSliders];
  for (std::size_t i = 0; i < kSliders; ++i) {
    mins[i] = rows[i].min;
    maxs[i] = rows[i].max;
  }
  FillValues(in, sliders, kSliders, mins, maxs);
  FillValues(in, checks, kChecks, nullptr, nullptr);
}

struct Run {
  Outcome outcome;
  std::vector<std::vector<std::uint8_t>> bytes;
  bool operator==(const Run&) const = default;
};

// A plane's step and stride: near a packed layout mostly, now and then anything.
std::int32_t Stride(Input& in, std::int32_t sampleBytes) {
  const std::uint8_t b = in.Byte();
  if (b >= 250) return in.Int32();
  return sampleBytes * (b % 3 + 1) - (b % 7 == 6 ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    parallel::SetMaxWorkers(1);
    InitPrimitives();
    return true;
  }();
  (void)started;
  Input in(data, size);

  const bool autoLevel = in.Bit();
  AutoLevelSettings autoSettings;
  QuillonLevelSettings quillonSettings;
  if (autoLevel) {
    std::int32_t sliders[std::size(kAutoLevelSliders)], checks[std::size(kAutoLevelChecks)];
    FillRows<std::size(kAutoLevelSliders), std::size(kAutoLevelChecks)>(in, kAutoLevelSliders,
                                                                        sliders, checks);
    autoSettings = AutoLevelSettingsOf(sliders, checks);
  } else {
    std::int32_t sliders[std::size(kQuillonLevelSliders)], checks[std::size(kQuillonLevelChecks)];
    FillRows<std::size(kQuillonLevelSliders), std::size(kQuillonLevelChecks)>(
        in, kQuillonLevelSliders, sliders, checks);
    quillonSettings = QuillonLevelSettingsOf(sliders, checks);
  }

  const std::int32_t width = in.Dimension(120), height = in.Dimension(24);
  const std::uint8_t nulls = in.Byte() & in.Byte() & in.Byte();
  std::vector<std::unique_ptr<Image>> images;
  auto image = [&](ImageSize sz, std::int32_t step, std::int64_t bytesPerPixel) {
    images.push_back(std::make_unique<Image>(in, sz, step, bytesPerPixel));
    return images.back().get();
  };
  Picture picture;
  bool aliased = false;
  if (in.Bit()) {
    const auto order = in.Bit() ? pipeline::ByteOrder::kRgba : pipeline::ByteOrder::kBgra;
    const std::int32_t srcStep = in.Step(std::int64_t{width} * 4, 4);
    Image* src = image({width, height}, srcStep, 4);
    std::uint8_t* dst = src->at<std::uint8_t>();
    std::int32_t dstStep = srcStep;
    if (in.Bit()) {
      dstStep = in.Step(std::int64_t{width} * 4, 4);
      dst = image({width, height}, dstStep, 4)->at<std::uint8_t>();
    }
    picture = Picture::Rgba8((nulls & 1) ? nullptr : src->at<std::uint8_t>(), srcStep,
                             (nulls & 2) ? nullptr : dst, dstStep, width, height, order);
  } else {
    pipeline::YuvFormat format{};
    format.chroma = static_cast<pipeline::ChromaLayout>(in.Byte() % 5);
    format.wide = in.Bit();
    format.bitDepth = format.wide ? 8 + in.Byte() % 10 : (in.Byte() < 16 ? 9 : 8);
    format.shift = in.Byte() < 32 ? (in.Bit() ? -1 : 16 - format.bitDepth) : 0;
    const std::int32_t sampleBytes = format.wide ? 2 : 1;
    pipeline::SamplePlane planes[3]{};
    picture = Picture::YuvPlanes(planes, format, width, height);
    const int count = format.chroma == pipeline::ChromaLayout::kMono ? 1 : 3;
    // Cb and Cr interleaved in one buffer, as NV12 keeps them.
    const bool semiPlanar = count == 3 && in.Bit();
    for (int p = 0; p < count; ++p) {
      if (semiPlanar && p == 2) {
        planes[2] = planes[1];
        if (planes[2].data != nullptr) planes[2].data += sampleBytes;
        break;
      }
      const std::int32_t pw = width > 0 && height > 0 ? picture.PlaneWidth(p) : width;
      const std::int32_t ph = width > 0 && height > 0 ? picture.PlaneHeight(p) : height;
      std::int32_t stride = Stride(in, sampleBytes);
      if (semiPlanar && p == 1 && stride >= sampleBytes) stride = 2 * sampleBytes;
      const std::int32_t step = in.Step(std::int64_t{pw} * (stride > 0 ? stride : 1), sampleBytes);
      Image* plane = image({pw, ph}, step, stride > 0 ? stride : 1);
      planes[p] = {(nulls & (1 << p)) ? nullptr : plane->at<std::uint8_t>(), step, stride};
      // Rows too close for both interleaved planes: Cr's last sample is Cb's first of the next
      // row, which a host never hands over; the result then depends on the order of writes.
      if (semiPlanar && p == 1 && std::int64_t{step} < std::int64_t{pw} * stride) aliased = true;
    }
    picture = Picture::YuvPlanes(planes, format, width, height);
  }
  for (const auto& i : images) {
    if (i->tooLarge()) return 0;
  }

  const std::int32_t best = CpuPath.load();
  const std::int32_t slot = in.Byte() % (best + 1);
  auto run = [&](std::int32_t path, Road road) {
    for (const auto& i : images) i->Restore();
    CpuPath.store(path);
    Run r{autoLevel ? AutoLevel(autoSettings, picture, road)
                    : QuillonLevel(quillonSettings, picture, road),
          {}};
    CpuPath.store(best);
    for (const auto& i : images) r.bytes.push_back(i->Bytes());
    return r;
  };

  const Run chosen = run(slot, Road::kChoose);
  if (!pipeline::Describable(picture)) {
    TESSARO_FUZZ_CHECK(chosen.outcome == Outcome::kFailed);
    for (const auto& i : images) TESSARO_FUZZ_CHECK(i->Unchanged());
    return 0;
  }
  TESSARO_FUZZ_CHECK(chosen.outcome != Outcome::kFailed);
  if (aliased) return 0;
  // Says where two runs part, before the check that fails on them.
  auto agrees = [&](const Run& r, const char* what) {
    if (r == chosen) return true;
    std::fprintf(stderr, "%s parts from slot %d: %s %dx%d, %s, outcome %d against %d\n", what, slot,
                 autoLevel ? "Auto Level" : "Quillon Level", width, height,
                 picture.kind == Picture::Kind::kRgba ? "RGBA" : "YUV", static_cast<int>(r.outcome),
                 static_cast<int>(chosen.outcome));
    if (picture.kind == Picture::Kind::kYuv) {
      const pipeline::YuvFormat& f = picture.yuv.format;
      std::fprintf(stderr, "chroma %d, %d bits%s, shift %d, %s range;", static_cast<int>(f.chroma),
                   f.bitDepth, f.wide ? " in two bytes" : "", f.shift,
                   f.fullRange ? "full" : "limited");
      for (const pipeline::SamplePlane& p : picture.yuv.plane) {
        std::fprintf(stderr, " plane step %d stride %d;", p.step, p.stride);
      }
      std::fprintf(stderr, "\n");
    }
    for (std::size_t k = 0; k < r.bytes.size(); ++k) {
      for (std::size_t j = 0; j < r.bytes[k].size(); ++j) {
        if (r.bytes[k][j] == chosen.bytes[k][j]) continue;
        std::fprintf(stderr, "buffer %zu byte %zu: %d against %d\n", k, j, r.bytes[k][j],
                     chosen.bytes[k][j]);
        return false;
      }
    }
    return false;
  };
  TESSARO_FUZZ_CHECK(agrees(run(slot, Road::kPasses), "the passes"));
  TESSARO_FUZZ_CHECK(agrees(run(slot, Road::kPerSample), "the per-sample road"));
  // YUV worked on as RGB goes through the colour matrices, whose code paths may part near a
  // half; everything else is exact on every path.
  const bool matrices =
      picture.kind == Picture::Kind::kYuv && !(autoLevel && !autoSettings.rgbMode);
  if (!matrices) TESSARO_FUZZ_CHECK(agrees(run(0, Road::kPasses), "the generic code"));
  return 0;
}
