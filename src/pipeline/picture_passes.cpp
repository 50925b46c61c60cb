#include "pipeline/picture_passes.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "pipeline/frame_memory.h"
#include "pipeline/kernel_slots.h"
#include "pipeline/phases.h"
#include "pipeline/picture_codec.h"
#include "pipeline/rgb_codes.h"
#include "pipeline/status_reducer.h"
#include "primitives/aligned_memory.h"

namespace tessaro::pipeline {
namespace {

// Rows of a picture in bands for the workers; body(begin, end) works on rows [begin, end).
Status EachBand(std::int32_t rows, std::int64_t samplesPerRow,
                parallel::FunctionRef<Status(std::int32_t begin, std::int32_t end)> body) {
  const parallel::ChunkPlan plan = parallel::PlanChunks(rows, parallel::RowGrain(samplesPerRow));
  return FirstFailing(plan.chunks,
                      [&](std::int32_t b) { return body(plan.Begin(b), plan.Begin(b + 1)); });
}

// A value through one channel's lookup.
std::int32_t Look(const SampleLookup& t, std::int32_t v) {
  if (t.values == nullptr) return std::clamp<std::int32_t>(v, t.lo, t.lo + t.last);
  return t.values[std::clamp<std::int32_t>(v - t.lo, 0, t.last)];
}

// Whether a lookup leaves every 16-bit sample as it is.
bool Changes(const SampleLookup& t) {
  return t.values != nullptr || t.lo > -32768 || std::int64_t{t.lo} + t.last < 32767;
}

// Blocks of a row worked on while they are in cache.
constexpr std::int32_t kBlockPixels = 256;

// The weights of the luma and colour differences for a byte order, and their divisors.
struct RgbWeights {
  std::int32_t luma[4], blue[4], red[4];
};
RgbWeights WeightsOf(ByteOrder order) {
  const RgbOffsets o = OffsetsOf(order);
  RgbWeights w{};
  w.luma[o.r] = 299, w.luma[o.g] = 587, w.luma[o.b] = 114;
  w.blue[o.r] = -299, w.blue[o.g] = -587, w.blue[o.b] = 886;
  w.red[o.r] = 701, w.red[o.g] = -587, w.red[o.b] = -114;
  return w;
}
constexpr std::int32_t kLumaDivisor = 255000;
constexpr std::int32_t kBlueDivisor = 451860;
constexpr std::int32_t kRedDivisor = 357510;
// Luma runs 0..4096 and the colour differences -2048..2048 for every 8-bit colour.
constexpr std::int32_t kLumaValues = 4097;
constexpr std::int32_t kChromaValues = 4097;
constexpr std::int32_t kChromaZero = 2048;

// Minimum, maximum and sum of n <= kBlockPixels samples, added to those given; in 16 and 32
// bits, which the compiler vectorises.
void Tally(const std::int16_t* v, std::int32_t n, std::int16_t* lo, std::int16_t* hi,
           std::int64_t* sum) {
  std::int16_t l = *lo, h = *hi;
  std::int32_t s = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    l = v[i] < l ? v[i] : l;
    h = v[i] > h ? v[i] : h;
    s += v[i];
  }
  *lo = l;
  *hi = h;
  *sum += s;
}

// Bands' statistics, merged, as a frame's.
template <typename Band>
bool MeasureBands(FrameMemory* memory, std::int32_t rows, std::int64_t samplesPerRow,
                  std::int64_t pixels, FrameStats* stats, Band band) {
  const parallel::ChunkPlan plan = parallel::PlanChunks(rows, parallel::RowGrain(samplesPerRow));
  const FrameBlock<ChannelStats> bands(memory, plan.chunks);
  if (!bands) return false;
  const Status s = FirstFailing(plan.chunks, [&](std::int32_t b) {
    ChannelStats& st = bands[b];
    for (int c = 0; c < 3; ++c) {
      st.min[c] = 32767;
      st.max[c] = -32768;
      st.sum[c] = 0;
    }
    return band(plan.Begin(b), plan.Begin(b + 1), &st);
  });
  if (s != StatusOk) return false;
  ChannelStats all = bands[0];
  for (std::int32_t b = 1; b < plan.chunks; ++b) MergeStats(&all, bands[b]);
  *stats = StatsOf(all, pixels);
  return true;
}

}  // namespace

bool MeasureRgbBytes(const Picture& picture, FrameStats* stats) {
  const PhaseScope phase(Phase::kMeasure);
  const Picture::Rgba& p = picture.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  const int at[3] = {o.r, o.g, o.b};
  return MeasureBands(
      picture.memory, picture.height, 4 * std::int64_t{picture.width}, picture.pixels(), stats,
      [&](std::int32_t begin, std::int32_t end, ChannelStats* st) {
        ByteStats bytes{};
        const Status s = MeasureU8C4(p.src + std::intptr_t{begin} * p.srcStep, p.srcStep,
                                     {picture.width, end - begin}, &bytes);
        for (int c = 0; c < 3; ++c) {
          st->min[c] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * bytes.min[at[c]]);
          st->max[c] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * bytes.max[at[c]]);
          st->sum[c] = rgb_codes::kCodeUnits * bytes.sum[at[c]];
        }
        return s;
      });
}

bool CountRgbBytes(const Picture& picture, std::int32_t high, const bool channels[3],
                   ChannelCounts* counts) {
  const Picture::Rgba& p = picture.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  const int at[3] = {o.r, o.g, o.b};
  const parallel::ChunkPlan bands = CountingBands(picture.width, picture.height);
  return counts->Tally(bands.chunks, high, channels,
                       [&](std::int32_t b, std::uint32_t* const bins[3]) {
                         // Two copies of every channel's codes, for even and odd pixels: a
                         // count then waits less often for the one before it.
                         std::uint32_t codes[2][3][256] = {};
                         const std::int32_t r = at[0], g = at[1], bl = at[2];
                         for (std::int32_t y = bands.Begin(b); y < bands.Begin(b + 1); ++y) {
                           const std::uint8_t* px = p.src + std::intptr_t{y} * p.srcStep;
                           std::int32_t x = 0;
                           for (; x + 2 <= picture.width; x += 2, px += 8) {
                             ++codes[0][0][px[r]];
                             ++codes[0][1][px[g]];
                             ++codes[0][2][px[bl]];
                             ++codes[1][0][px[4 + r]];
                             ++codes[1][1][px[4 + g]];
                             ++codes[1][2][px[4 + bl]];
                           }
                           if (x < picture.width) {
                             ++codes[0][0][px[r]];
                             ++codes[0][1][px[g]];
                             ++codes[0][2][px[bl]];
                           }
                         }
                         // Code c is the sample 16 c.
                         for (int c = 0; c < 3; ++c) {
                           if (bins[c] == nullptr) continue;
                           for (std::int32_t code = 0; code < 256; ++code) {
                             const std::int32_t v = std::min(rgb_codes::kCodeUnits * code, high);
                             bins[c][v] += codes[0][c][code] + codes[1][c][code];
                           }
                         }
                         return StatusOk;
                       });
}

bool MapRgbBytes(const Picture& picture, const SampleLookup lookups[3]) {
  const PhaseScope phase(Phase::kMap);
  const Picture::Rgba& p = picture.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  const int at[3] = {o.r, o.g, o.b};
  // Each channel's chain on the 256 codes: a table of codes, or none where it leaves them.
  std::uint8_t tables[3][256];
  const std::uint8_t* byPosition[4] = {nullptr, nullptr, nullptr, nullptr};
  for (int c = 0; c < 3; ++c) {
    bool identity = true;
    for (std::int32_t code = 0; code < 256; ++code) {
      tables[c][code] = static_cast<std::uint8_t>(
          rgb_codes::CodeOfSample(Look(lookups[c], rgb_codes::kCodeUnits * code)));
      identity = identity && tables[c][code] == code;
    }
    if (!identity) byPosition[at[c]] = tables[c];
  }
  const bool stays = byPosition[0] == nullptr && byPosition[1] == nullptr &&
                     byPosition[2] == nullptr && byPosition[3] == nullptr;
  if (stays && p.src == p.dst && p.srcStep == p.dstStep) return true;  // nothing to write
  return EachBand(picture.height, 4 * std::int64_t{picture.width},
                  [&](std::int32_t begin, std::int32_t end) {
                    if (stays) {
                      // Every code stays: the rows as they are.
                      for (std::int32_t y = begin; y < end; ++y) {
                        std::memcpy(p.dst + std::intptr_t{y} * p.dstStep,
                                    p.src + std::intptr_t{y} * p.srcStep,
                                    4 * static_cast<std::size_t>(picture.width));
                      }
                      return StatusOk;
                    }
                    return LookupU8C4(p.src + std::intptr_t{begin} * p.srcStep, p.srcStep,
                                      p.dst + std::intptr_t{begin} * p.dstStep, p.dstStep,
                                      {picture.width, end - begin}, byPosition);
                  }) == StatusOk;
}

bool MeasureRgbLuma(const Picture& picture, const bool channels[3], FrameStats* stats) {
  const PhaseScope phase(Phase::kMeasure);
  const Picture::Rgba& p = picture.rgba;
  const RgbWeights w = WeightsOf(p.order);
  const std::int32_t* weights[3] = {w.luma, w.blue, w.red};
  const std::int32_t divisors[3] = {kLumaDivisor, kBlueDivisor, kRedDivisor};
  const bool ok = MeasureBands(
      picture.memory, picture.height, 4 * std::int64_t{picture.width}, picture.pixels(), stats,
      [&](std::int32_t begin, std::int32_t end, ChannelStats* st) {
        std::int16_t values[kBlockPixels];
        for (std::int32_t y = begin; y < end; ++y) {
          const std::uint8_t* row = p.src + std::intptr_t{y} * p.srcStep;
          for (std::int32_t x = 0; x < picture.width; x += kBlockPixels) {
            const std::int32_t n = std::min(kBlockPixels, picture.width - x);
            for (int c = 0; c < 3; ++c) {
              if (!channels[c]) continue;
              const Status s = WeightedSumU8C4(row + 4 * x, n, weights[c], divisors[c], values);
              if (s != StatusOk) return s;
              Tally(values, n, &st->min[c], &st->max[c], &st->sum[c]);
            }
          }
        }
        return StatusOk;
      });
  // Channels not asked for are not measured.
  for (int c = 0; c < 3 && ok; ++c) {
    if (channels[c]) continue;
    stats->min[c] = stats->max[c] = 0;
    stats->mean[c] = 0.0;
  }
  return ok;
}

bool MapRgbLuma(const Picture& picture, const SampleLookup lookups[3]) {
  const PhaseScope phase(Phase::kMap);
  const Picture::Rgba& p = picture.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  const RgbWeights w = WeightsOf(p.order);
  const bool chroma = Changes(lookups[1]) || Changes(lookups[2]);
  // The change of each value, in 1/65536 of a code of each colour it moves.
  const FrameBlock<std::int32_t> lumaChange(picture.memory, kLumaValues);
  const FrameBlock<std::int32_t> blueToGreen(picture.memory, chroma ? kChromaValues : 0);
  const FrameBlock<std::int32_t> blueToBlue(picture.memory, chroma ? kChromaValues : 0);
  const FrameBlock<std::int32_t> redToRed(picture.memory, chroma ? kChromaValues : 0);
  const FrameBlock<std::int32_t> redToGreen(picture.memory, chroma ? kChromaValues : 0);
  const FrameBlock<std::int16_t> lumaMove(picture.memory, chroma ? 0 : kLumaValues);
  if (!lumaChange ||
      (chroma ? !blueToGreen || !blueToBlue || !redToRed || !redToGreen : !lumaMove)) {
    return false;
  }
  for (std::int32_t v = 0; v < kLumaValues; ++v) {
    lumaChange[v] = rgb_codes::kLumaToCode * (Look(lookups[0], v) - v);
  }
  {
    if (chroma) {
      for (std::int32_t i = 0; i < kChromaValues; ++i) {
        const std::int32_t v = i - kChromaZero;
        const std::int32_t db = Look(lookups[1], v) - v, dr = Look(lookups[2], v) - v;
        blueToGreen[i] = rgb_codes::kCbToGreen * db;
        blueToBlue[i] = rgb_codes::kCbToBlue * db;
        redToRed[i] = rgb_codes::kCrToRed * dr;
        redToGreen[i] = rgb_codes::kCrToGreen * dr;
      }
    } else {
      // Luma alone moves R, G and B by the same whole number of codes.
      for (std::int32_t v = 0; v < kLumaValues; ++v) {
        lumaMove[v] = static_cast<std::int16_t>((lumaChange[v] + (1 << 15)) >> 16);
      }
    }
  }
  const auto moved = [](std::int32_t change) {
    return static_cast<std::int16_t>((change + (1 << 15)) >> rgb_codes::kCodeShift);
  };
  return EachBand(picture.height, 4 * std::int64_t{picture.width},
                  [&](std::int32_t begin, std::int32_t end) {
                    std::int16_t y[kBlockPixels], cb[kBlockPixels], cr[kBlockPixels];
                    std::int16_t mr[kBlockPixels], mg[kBlockPixels], mb[kBlockPixels];
                    const std::int16_t* moves[4] = {nullptr, nullptr, nullptr, nullptr};
                    moves[o.r] = mr;
                    moves[o.g] = chroma ? mg : mr;
                    moves[o.b] = chroma ? mb : mr;
                    for (std::int32_t row = begin; row < end; ++row) {
                      const std::uint8_t* in = p.src + std::intptr_t{row} * p.srcStep;
                      std::uint8_t* out = p.dst + std::intptr_t{row} * p.dstStep;
                      for (std::int32_t x = 0; x < picture.width; x += kBlockPixels) {
                        const std::int32_t n = std::min(kBlockPixels, picture.width - x);
                        WeightedSumU8C4(in + 4 * x, n, w.luma, kLumaDivisor, y);
                        if (!chroma) {
                          for (std::int32_t i = 0; i < n; ++i) mr[i] = lumaMove[y[i]];
                        } else {
                          WeightedSumU8C4(in + 4 * x, n, w.blue, kBlueDivisor, cb);
                          WeightedSumU8C4(in + 4 * x, n, w.red, kRedDivisor, cr);
                          // The tables' entries first, then the moves in a loop of their own,
                          // which the compiler vectorises.
                          std::int32_t red[kBlockPixels], green[kBlockPixels], blue[kBlockPixels];
                          const std::int32_t* lc = lumaChange.get();
                          const std::int32_t *rr = redToRed.get(), *rg = redToGreen.get();
                          const std::int32_t *bg = blueToGreen.get(), *bb = blueToBlue.get();
                          for (std::int32_t i = 0; i < n; ++i) {
                            const std::int32_t luma = lc[y[i]];
                            const std::int32_t b = cb[i] + kChromaZero, r = cr[i] + kChromaZero;
                            red[i] = luma + rr[r];
                            green[i] = luma + rg[r] + bg[b];
                            blue[i] = luma + bb[b];
                          }
                          for (std::int32_t i = 0; i < n; ++i) {
                            mr[i] = moved(red[i]);
                            mg[i] = moved(green[i]);
                            mb[i] = moved(blue[i]);
                          }
                        }
                        if (const Status s = MoveU8C4(in + 4 * x, out + 4 * x, n, moves);
                            s != StatusOk)
                          return s;
                      }
                    }
                    return StatusOk;
                  }) == StatusOk;
}

namespace {

// Rows [begin, end) of a plane, each sample handed to each(code) and replaced by what it
// returns when it returns a code. Samples of one byte, or two little-endian bytes `shift`
// bits up; contiguous rows of either get loops of their own.
template <typename Each>
void EachCode(const SamplePlane& plane, const YuvFormat& f, std::int32_t width, std::int32_t begin,
              std::int32_t end, Each each) {
  constexpr bool kWrites = !std::is_void_v<decltype(each(0u))>;
  for (std::int32_t y = begin; y < end; ++y) {
    std::uint8_t* row = plane.data + std::intptr_t{y} * plane.step;
    if (!f.wide) {
      if (plane.stride == 1) {
        for (std::int32_t x = 0; x < width; ++x) {
          if constexpr (kWrites) {
            row[x] = static_cast<std::uint8_t>(each(std::uint32_t{row[x]}));
          } else {
            each(std::uint32_t{row[x]});
          }
        }
        continue;
      }
      for (std::int32_t x = 0; x < width; ++x, row += plane.stride) {
        if constexpr (kWrites) {
          row[0] = static_cast<std::uint8_t>(each(std::uint32_t{row[0]}));
        } else {
          each(std::uint32_t{row[0]});
        }
      }
      continue;
    }
    const std::int32_t shift = f.shift;
    const std::int32_t stride = plane.stride;
    const auto sample = [&](std::uint8_t* at) {
      std::uint16_t word;
      std::memcpy(&word, at, 2);  // little-endian, as every target is
      if constexpr (kWrites) {
        word = static_cast<std::uint16_t>(each(std::uint32_t{word} >> shift) << shift);
        std::memcpy(at, &word, 2);
      } else {
        each(std::uint32_t{word} >> shift);
      }
    };
    if (stride == 2 && shift == 0) {
      for (std::int32_t x = 0; x < width; ++x) sample(row + 2 * x);
    } else {
      for (std::int32_t x = 0; x < width; ++x) sample(row + stride * x);
    }
  }
}

// A code's place in a table of the codes lo..lo + last.
std::uint32_t Index(std::uint32_t code, std::uint32_t lo, std::uint32_t last) {
  return code < lo ? 0 : std::min(code - lo, last);
}

// What a band of a plane's rows holds: its extremes of the codes and, for luma, the sum of the
// samples.
struct CodeBand {
  std::uint32_t lo = 0xFFFFFFFFu, hi = 0;
  std::int64_t sum = 0;
};

// The extremes of rows [begin, end) of a plane of one-byte codes. Codes `stride` bytes apart
// (2 or 4, interleaved with other planes' in the row) are read as the bytes of four-byte pixels,
// whose every position the pixel kernel measures at once; this plane's samples are the
// positions at multiples of the stride. What is left of a row after the last whole pixel is
// read sample by sample.
void ExtremesOfBytes(const SamplePlane& plane, std::int32_t n, std::int32_t begin, std::int32_t end,
                     CodeBand* band) {
  const std::int32_t s = plane.stride;
  std::uint8_t lo = 255, hi = 0;
  std::int32_t first = 0;  // the first sample read one by one
  if (s == 1) {
    for (std::int32_t y = begin; y < end; ++y) {
      const std::uint8_t* row = plane.data + std::intptr_t{y} * plane.step;
      for (std::int32_t x = 0; x < n; ++x) {
        lo = row[x] < lo ? row[x] : lo;
        hi = row[x] > hi ? row[x] : hi;
      }
    }
    first = n;
  } else if (n > 0) {
    // Whole pixels within the span from the first sample to the last.
    const std::int32_t pixels = static_cast<std::int32_t>((std::int64_t{n - 1} * s + 1) / 4);
    if (pixels > 0) {
      ByteStats st{};
      MeasureU8C4(plane.data + std::intptr_t{begin} * plane.step, plane.step, {pixels, end - begin},
                  &st);
      for (int j = 0; j < 4; j += s) {
        lo = std::min<std::uint8_t>(lo, static_cast<std::uint8_t>(st.min[j]));
        hi = std::max<std::uint8_t>(hi, static_cast<std::uint8_t>(st.max[j]));
      }
      first = 4 * pixels / s;
    }
  }
  for (std::int32_t y = begin; y < end && first < n; ++y) {
    const std::uint8_t* row = plane.data + std::intptr_t{y} * plane.step;
    for (std::int32_t x = first; x < n; ++x) {
      lo = std::min(lo, row[x * s]);
      hi = std::max(hi, row[x * s]);
    }
  }
  band->lo = std::min<std::uint32_t>(band->lo, lo);
  band->hi = std::max<std::uint32_t>(band->hi, hi);
}

// The same of codes stored in two little-endian bytes, `shift` bits up.
void ExtremesOfWords(const std::uint8_t* p, std::int32_t n, std::int32_t stride, std::int32_t shift,
                     CodeBand* band) {
  // Every word of the span in one of eight lanes, so that the loop vectorises whatever the
  // stride; the lanes at multiples of the stride hold only this plane's codes.
  constexpr std::int32_t kLanes = 8;
  const std::int32_t step = stride / 2;  // in words
  std::uint16_t lanesLo[kLanes], lanesHi[kLanes];
  for (std::int32_t j = 0; j < kLanes; ++j) {
    lanesLo[j] = 0xFFFF;
    lanesHi[j] = 0;
  }
  const std::int64_t span = std::int64_t{n - 1} * step + 1;  // in words
  std::int64_t i = 0;
  for (; i + kLanes <= span; i += kLanes) {
    std::uint16_t w[kLanes];
    std::memcpy(w, p + 2 * i, sizeof w);  // little-endian, as every target is
    for (std::int32_t j = 0; j < kLanes; ++j) {
      lanesLo[j] = w[j] < lanesLo[j] ? w[j] : lanesLo[j];
      lanesHi[j] = w[j] > lanesHi[j] ? w[j] : lanesHi[j];
    }
  }
  std::uint16_t lo = 0xFFFF, hi = 0;
  for (std::int32_t j = 0; i > 0 && j < kLanes; j += step) {
    lo = std::min(lo, lanesLo[j]);
    hi = std::max(hi, lanesHi[j]);
  }
  for (std::int64_t x = (i + step - 1) / step; x < n; ++x) {
    std::uint16_t w;
    std::memcpy(&w, p + x * stride, 2);
    lo = std::min(lo, w);
    hi = std::max(hi, w);
  }
  // Shifting keeps the order of the words.
  band->lo = std::min<std::uint32_t>(band->lo, std::uint32_t{lo} >> shift);
  band->hi = std::max<std::uint32_t>(band->hi, std::uint32_t{hi} >> shift);
}

// Rows [begin, end) of a plane of one-byte luma codes: extremes and the sum of the samples,
// from a histogram of the codes (four of them, for neighbours that repeat a code).
void CountLumaBytes(const SamplePlane& plane, std::int32_t width, std::int32_t begin,
                    std::int32_t end, const std::int16_t* samples, CodeBand* band) {
  std::uint32_t counts[4][256] = {};
  const std::int32_t s = plane.stride;
  for (std::int32_t y = begin; y < end; ++y) {
    const std::uint8_t* row = plane.data + std::intptr_t{y} * plane.step;
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, row += 4 * s) {
      ++counts[0][row[0]];
      ++counts[1][row[s]];
      ++counts[2][row[2 * s]];
      ++counts[3][row[3 * s]];
    }
    for (; x < width; ++x, row += s) ++counts[0][row[0]];
  }
  for (std::uint32_t code = 0; code < 256; ++code) {
    const std::uint32_t n = counts[0][code] + counts[1][code] + counts[2][code] + counts[3][code];
    if (n == 0) continue;
    band->lo = std::min(band->lo, code);
    band->hi = std::max(band->hi, code);
    band->sum += std::int64_t{n} * samples[code];
  }
}

// The planes a filter in Y, Cb and Cr measures: luma always, chroma when asked for. Wide
// codes may lie beyond the top one, and change on their way through the samples even when
// the filter leaves them: their planes are always measured, and mapped.
bool Measured(int plane, const bool channels[3], const YuvFormat& f) {
  return plane == 0 || channels[plane] || f.wide;
}

}  // namespace

bool MeasureYuvCodes(const Picture& picture, const CodeSamples& luma, const CodeSamples& chroma,
                     const bool channels[3], FrameStats* stats, CodeRanges* ranges) {
  const PhaseScope phase(Phase::kMeasure);
  const Picture::Yuv& yuv = picture.yuv;
  const YuvFormat& f = yuv.format;
  const int planes = f.chroma == ChromaLayout::kMono ? 1 : 3;
  FrameStats st{};
  for (int k = 0; k < 3; ++k) ranges->lo[k] = 1, ranges->hi[k] = 0;  // none measured
  for (int k = 0; k < planes; ++k) {
    if (!Measured(k, channels, f)) continue;
    const SamplePlane& plane = yuv.plane[k];
    const std::int32_t w = picture.PlaneWidth(k), h = picture.PlaneHeight(k);
    const parallel::ChunkPlan plan = parallel::PlanChunks(h, parallel::RowGrain(w));
    const FrameBlock<CodeBand> bands(picture.memory, plan.chunks);
    if (!bands) return false;
    parallel::ForEachChunk(plan, [&](std::int32_t b, std::int32_t begin, std::int32_t end) {
      CodeBand band;
      if (k == 0 && !f.wide) {
        CountLumaBytes(plane, w, begin, end, luma.values(), &band);
      } else if (k == 0) {
        // Wide codes: each sample through the table, codes beyond it through the formula.
        const std::int16_t* table = luma.values();
        const std::uint32_t top = static_cast<std::uint32_t>(luma.scale().maxCode);
        std::uint32_t lo = band.lo, hi = band.hi;
        std::int64_t sum = 0;
        EachCode(plane, f, w, begin, end, [&](std::uint32_t code) {
          lo = code < lo ? code : lo;
          hi = code > hi ? code : hi;
          sum += code <= top ? table[code]
                             : CodeToSample(static_cast<std::int32_t>(code), luma.scale());
        });
        band.lo = lo;
        band.hi = hi;
        band.sum = sum;
      } else if (f.wide) {
        for (std::int32_t y = begin; y < end; ++y) {
          ExtremesOfWords(plane.data + std::intptr_t{y} * plane.step, w, plane.stride, f.shift,
                          &band);
        }
      } else {
        ExtremesOfBytes(plane, w, begin, end, &band);
      }
      bands[b] = band;
    });
    CodeBand all;
    for (std::int32_t b = 0; b < plan.chunks; ++b) {
      all.lo = std::min(all.lo, bands[b].lo);
      all.hi = std::max(all.hi, bands[b].hi);
      all.sum += bands[b].sum;
    }
    ranges->lo[k] = all.lo;
    ranges->hi[k] = all.hi;
    // Samples rise with codes, so the extreme codes give the extreme samples.
    const CodeSamples& samples = k == 0 ? luma : chroma;
    st.min[k] = samples(all.lo);
    st.max[k] = samples(all.hi);
    if (k == 0)
      st.mean[0] = static_cast<double>(all.sum) * (1.0 / static_cast<double>(picture.pixels()));
  }
  *stats = st;
  return true;
}

bool MapYuvCodes(const Picture& picture, const CodeSamples& luma, const CodeSamples& chroma,
                 const CodeRanges& ranges, const SampleLookup lookups[3]) {
  const PhaseScope phase(Phase::kMap);
  const Picture::Yuv& yuv = picture.yuv;
  const YuvFormat& f = yuv.format;
  const int planes = f.chroma == ChromaLayout::kMono ? 1 : 3;
  // Each plane's chain on its codes: the code of the looked-up sample of the code. Chroma
  // shared by several pixels takes the same value in each, whose mean is that value. A plane
  // not measured was not asked for; one whose lookup changes samples all the same is left to
  // the per-sample road.
  const auto sizeOf = [&](int k) {
    return k < planes && ranges.lo[k] <= ranges.hi[k] ? ranges.hi[k] - ranges.lo[k] + 1 : 0;
  };
  // In frame memory each table takes what the format's widest range would.
  const auto blockOf = [&](int k) -> std::int64_t {
    return sizeOf(k) == 0 || picture.memory == nullptr
               ? sizeOf(k)
               : std::max<std::int64_t>(sizeOf(k), std::int64_t{f.maxCode()} + 1);
  };
  const FrameBlock<std::uint16_t> tables[3] = {
      {picture.memory, blockOf(0)}, {picture.memory, blockOf(1)}, {picture.memory, blockOf(2)}};
  bool identity[3] = {true, true, true};
  for (int k = 0; k < planes; ++k) {
    if (sizeOf(k) == 0) {
      if (Changes(lookups[k])) return false;
      continue;
    }
    if (!tables[k]) return false;
    const CodeSamples& samples = k == 0 ? luma : chroma;
    for (std::uint32_t c = ranges.lo[k]; c <= ranges.hi[k]; ++c) {
      const std::int32_t code = SampleToCode(Look(lookups[k], samples(c)), samples.scale());
      tables[k][c - ranges.lo[k]] = static_cast<std::uint16_t>(code);
      identity[k] = identity[k] && static_cast<std::uint32_t>(code) == c;
    }
  }
  for (int k = 0; k < planes; ++k) {
    // A plane whose codes all stay needs no writing, unless it keeps bits below its codes,
    // which writing clears.
    if ((identity[k] && f.shift == 0) || sizeOf(k) == 0) continue;
    const std::int32_t w = picture.PlaneWidth(k);
    const std::uint16_t* table = tables[k].get();
    const std::uint32_t lo = ranges.lo[k], last = ranges.hi[k] - ranges.lo[k];
    if (!f.wide) {
      // One-byte codes through a table of every code.
      std::uint8_t bytes[256];
      for (std::uint32_t c = 0; c < 256; ++c) {
        bytes[c] = static_cast<std::uint8_t>(table[Index(c, lo, last)]);
      }
      const SamplePlane& plane = yuv.plane[k];
      EachBand(picture.PlaneHeight(k), w, [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t y = begin; y < end; ++y) {
          std::uint8_t* row = plane.data + std::intptr_t{y} * plane.step;
          const std::int32_t s = plane.stride;
          if (s == 1) {
            for (std::int32_t x = 0; x < w; ++x) row[x] = bytes[row[x]];
          } else {
            for (std::int32_t x = 0; x < w; ++x) row[x * s] = bytes[row[x * s]];
          }
        }
        return StatusOk;
      });
      continue;
    }
    EachBand(picture.PlaneHeight(k), w, [&](std::int32_t begin, std::int32_t end) {
      EachCode(yuv.plane[k], f, w, begin, end,
               [=](std::uint32_t code) { return std::uint32_t{table[Index(code, lo, last)]}; });
      return StatusOk;
    });
  }
  return true;
}

}  // namespace tessaro::pipeline
