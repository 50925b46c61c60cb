#include "pipeline/picture_codec.h"

#include <algorithm>
#include <cstring>

#include "pipeline/rgb_codes.h"
#include "primitives/image_rows.h"
#include "primitives/planar_copy.h"

namespace tessaro::pipeline {

bool PictureCodec::Open(const Picture& picture, Space space) {
  picture_ = picture;
  space_ = space;
  groupRows_ = 1;
  if (picture.kind != Picture::Kind::kYuv) return true;
  const YuvFormat& f = picture.yuv.format;
  groupRows_ = 1 << f.chromaShiftY();
  return luma_.Build(LumaCodes(f.bitDepth, f.fullRange), picture.memory) &&
         (f.chroma == ChromaLayout::kMono ||
          chroma_.Build(ChromaCodes(f.bitDepth, f.fullRange), picture.memory));
}

WorkSpace PictureCodec::workSpace() const {
  return picture_.kind == Picture::Kind::kYuv && space_ == Space::kRgb ? RgbSamples()
                                                                       : kStoredSamples;
}

void PictureCodec::Decode(std::int32_t y, std::int32_t n, std::int16_t* out, std::int32_t step,
                          std::int16_t* planar) const {
  if (picture_.kind == Picture::Kind::kYuv) {
    if (planar != nullptr) {
      DecodePlanar(y, n, out, step, planar);
    } else {
      DecodeYuv(y, n, out, step);
    }
    return;
  }
  const Picture::Rgba& p = picture_.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  for (std::int32_t r = 0; r < n; ++r) {
    const std::uint8_t* in = p.src + std::intptr_t{y + r} * p.srcStep;
    std::int16_t* s = RowAt(out, step, r);
    for (std::int32_t x = 0; x < picture_.width; ++x, in += 4, s += 3) {
      const std::int32_t red = in[o.r], green = in[o.g], blue = in[o.b];
      if (space_ == Space::kRgb) {
        s[0] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * red);
        s[1] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * green);
        s[2] = static_cast<std::int16_t>(rgb_codes::kCodeUnits * blue);
      } else {
        s[0] = static_cast<std::int16_t>(rgb_codes::LumaOf(red, green, blue));
        s[1] = static_cast<std::int16_t>(rgb_codes::BlueDifferenceOf(red, green, blue));
        s[2] = static_cast<std::int16_t>(rgb_codes::RedDifferenceOf(red, green, blue));
      }
    }
  }
}

void PictureCodec::Encode(std::int32_t y, std::int32_t n, const std::int16_t* samples,
                          std::int32_t step, std::int16_t* planar) const {
  if (picture_.kind == Picture::Kind::kYuv) {
    if (planar != nullptr) {
      EncodePlanar(y, n, samples, step, planar);
    } else {
      EncodeYuv(y, n, samples, step);
    }
    return;
  }
  const Picture::Rgba& p = picture_.rgba;
  const RgbOffsets o = OffsetsOf(p.order);
  for (std::int32_t r = 0; r < n; ++r) {
    const std::uint8_t* in = p.src + std::intptr_t{y + r} * p.srcStep;
    std::uint8_t* out = p.dst + std::intptr_t{y + r} * p.dstStep;
    const std::int16_t* s = RowAt(samples, step, r);
    for (std::int32_t x = 0; x < picture_.width; ++x, in += 4, out += 4, s += 3) {
      // Read in full before writing: the two may be the same pixel.
      std::uint8_t px[4] = {in[0], in[1], in[2], in[3]};
      if (space_ == Space::kRgb) {
        px[o.r] = static_cast<std::uint8_t>(rgb_codes::CodeOfSample(s[0]));
        px[o.g] = static_cast<std::uint8_t>(rgb_codes::CodeOfSample(s[1]));
        px[o.b] = static_cast<std::uint8_t>(rgb_codes::CodeOfSample(s[2]));
      } else {
        const std::int32_t red = px[o.r], green = px[o.g], blue = px[o.b];
        rgb_codes::MovePixel(s[0] - rgb_codes::LumaOf(red, green, blue),
                             s[1] - rgb_codes::BlueDifferenceOf(red, green, blue),
                             s[2] - rgb_codes::RedDifferenceOf(red, green, blue), &px[o.r],
                             &px[o.g], &px[o.b]);
      }
      for (int i = 0; i < 4; ++i) out[i] = px[i];
    }
  }
}

namespace {

// Codes of a plane row: one byte each, or two little-endian bytes `shift` bits up; sample x
// `stride` bytes after sample 0.
struct CodeRow {
  std::uint8_t* data;
  std::int32_t stride;
  bool wide;
  std::int32_t shift;

  std::uint32_t Get(std::int32_t x) const {
    const std::uint8_t* at = data + std::intptr_t{stride} * x;
    if (!wide) return at[0];
    std::uint16_t word;
    std::memcpy(&word, at, 2);  // little-endian, as every target is
    return std::uint32_t{word} >> shift;
  }
  void Put(std::int32_t x, std::uint32_t code) const {
    std::uint8_t* at = data + std::intptr_t{stride} * x;
    if (!wide) {
      at[0] = static_cast<std::uint8_t>(code);
      return;
    }
    const auto word = static_cast<std::uint16_t>(code << shift);
    std::memcpy(at, &word, 2);
  }
};

CodeRow RowOfPlane(const SamplePlane& p, const YuvFormat& f, std::int32_t y) {
  return {p.data + std::intptr_t{y} * p.step, p.stride, f.wide, f.shift};
}

// Samples of n codes into out, outStride samples apart; codes above the table's are rare (a
// malformed stream) and take the formula.
void DecodeCodes(const CodeRow& row, std::int32_t n, const CodeSamples& samples, std::int16_t* out,
                 std::int32_t outStride) {
  const std::int16_t* table = samples.values();
  if (!row.wide) {
    if (row.stride == 1) {
      for (std::int32_t x = 0; x < n; ++x) out[outStride * x] = table[row.data[x]];
    } else {
      for (std::int32_t x = 0; x < n; ++x) out[outStride * x] = table[row.data[row.stride * x]];
    }
    return;
  }
  const std::uint32_t top = static_cast<std::uint32_t>(samples.scale().maxCode);
  for (std::int32_t x = 0; x < n; ++x) {
    const std::uint32_t code = row.Get(x);
    out[outStride * x] =
        code <= top ? table[code] : CodeToSample(static_cast<std::int32_t>(code), samples.scale());
  }
}

// The code of the mean of `count` samples (1, 2 or 4) whose sum is given: zero plus the
// rounded sum times the codes per sample over 4096 count. Sums beyond 8192 count samples give
// codes beyond every range, so they are held there first, which keeps the product within 32
// bits at every depth: exactly SamplesToCode.
struct CodeOfSum {
  std::int32_t zero, perSample, maxCode, shift, half, limit;
  CodeOfSum(const CodeScale& s, std::int32_t count)
      : zero(s.zero),
        perSample(s.perSample),
        maxCode(s.maxCode),
        shift(12 + (count == 4 ? 2 : (count == 2 ? 1 : 0))),
        half(2048 * count),
        limit(8192 * count) {}
  std::uint32_t operator()(std::int32_t sum) const {
    const std::int32_t held = sum < -limit ? -limit : (sum > limit ? limit : sum);
    const std::int32_t code = zero + ((held * perSample + half) >> shift);
    return static_cast<std::uint32_t>(code < 0 ? 0 : (code > maxCode ? maxCode : code));
  }
};

// The same in 16-bit lanes, for depths whose codes per sample, times 2^(16 - shift), fit 15
// bits (up to 10 bits, and 12 bits for the mean of two or four): the sum held to 16 bits (every
// sum beyond 8192 count samples still gives a code beyond the range), its product with that
// multiplier rounded at bit 16, which is the quotient by 2^shift rounded as above. Widening
// 16-bit products and 16-bit clamps are what SSE2 has, so the compiler vectorises it.
struct CodeOfSum16 {
  std::int16_t zero, multiplier, maxCode;
  static bool Fits(const CodeOfSum& c) {
    return c.zero <= 4096 && (std::int64_t{c.perSample} << (16 - c.shift)) <= 32767;
  }
  explicit CodeOfSum16(const CodeOfSum& c)
      : zero(static_cast<std::int16_t>(c.zero)),
        multiplier(static_cast<std::int16_t>(c.perSample << (16 - c.shift))),
        maxCode(static_cast<std::int16_t>(c.maxCode)) {}
  std::uint16_t operator()(std::int32_t sum) const {
    const auto held =
        static_cast<std::int16_t>(sum < -32767 ? -32767 : (sum > 32767 ? 32767 : sum));
    const auto scaled = static_cast<std::int16_t>((std::int32_t{held} * multiplier + 32768) >> 16);
    const auto code = static_cast<std::int16_t>(scaled + zero);
    return static_cast<std::uint16_t>(code < 0 ? 0 : (code > maxCode ? maxCode : code));
  }
};

// The codes of n sums into a row, the constants in locals so that the stores cannot be taken to
// change them. Rows of bytes one after another are vectorised; other rows take their codes a
// block at a time into a buffer, in a loop that is vectorised too, and then store them each at
// its place.
template <typename Sum>
void PutCodes(const CodeRow& row, std::int32_t n, Sum sum, const CodeOfSum& code) {
  const CodeOfSum c = code;
  if (!row.wide && row.stride == 1 && CodeOfSum16::Fits(c)) {
    const CodeOfSum16 c16(c);
    for (std::int32_t x = 0; x < n; ++x) row.data[x] = static_cast<std::uint8_t>(c16(sum(x)));
    return;
  }
  if (!row.wide && row.stride == 1) {
    for (std::int32_t x = 0; x < n; ++x) row.data[x] = static_cast<std::uint8_t>(c(sum(x)));
    return;
  }
  constexpr std::int32_t kBlock = 256;
  std::uint16_t codes[kBlock];
  const std::int32_t stride = row.stride;
  const bool narrow = CodeOfSum16::Fits(c);
  const CodeOfSum16 c16(c);  // used only when it fits
  for (std::int32_t x0 = 0; x0 < n; x0 += kBlock) {
    const std::int32_t m = n - x0 < kBlock ? n - x0 : kBlock;
    if (narrow) {
      for (std::int32_t i = 0; i < m; ++i) codes[i] = c16(sum(x0 + i));
    } else {
      for (std::int32_t i = 0; i < m; ++i) codes[i] = static_cast<std::uint16_t>(c(sum(x0 + i)));
    }
    std::uint8_t* at = row.data + std::intptr_t{stride} * x0;
    if (!row.wide) {
      for (std::int32_t i = 0; i < m; ++i) at[stride * i] = static_cast<std::uint8_t>(codes[i]);
      continue;
    }
    const std::int32_t shift = row.shift;
    for (std::int32_t i = 0; i < m; ++i) {
      const auto word = static_cast<std::uint16_t>(codes[i] << shift);
      std::memcpy(at + stride * i, &word, 2);  // little-endian, as every target is
    }
  }
}

// Rows of a group's chroma are written a block at a time: the codes of both planes first, then
// stored, side by side where the planes alternate in one row (NV12, P010).
constexpr std::int32_t kCodeBlock = 256;

// The codes of n sums.
template <typename Sum>
void CodesOf(std::int32_t n, Sum sum, const CodeOfSum& c, std::uint16_t* codes) {
  if (CodeOfSum16::Fits(c)) {
    const CodeOfSum16 c16(c);
    for (std::int32_t i = 0; i < n; ++i) codes[i] = c16(sum(i));
    return;
  }
  for (std::int32_t i = 0; i < n; ++i) codes[i] = static_cast<std::uint16_t>(c(sum(i)));
}

// n codes into a row from sample x0 on.
void StoreCodes(const CodeRow& row, std::int32_t x0, std::int32_t n, const std::uint16_t* codes) {
  if (!row.wide && row.stride == 1) {
    for (std::int32_t i = 0; i < n; ++i) row.data[x0 + i] = static_cast<std::uint8_t>(codes[i]);
    return;
  }
  for (std::int32_t i = 0; i < n; ++i) row.Put(x0 + i, codes[i]);
}

// Two planes' n codes where they alternate in one row, from sample x0 on: each pair one store.
void StorePairs(const CodeRow& row, std::int32_t x0, std::int32_t n, const std::uint16_t* first,
                const std::uint16_t* second) {
  if (!row.wide) {
    std::uint8_t* at = row.data + 2 * std::intptr_t{x0};
    for (std::int32_t i = 0; i < n; ++i) {
      const auto pair = static_cast<std::uint16_t>(first[i] | (second[i] << 8));
      std::memcpy(at + 2 * i, &pair, 2);  // little-endian, as every target is
    }
    return;
  }
  std::uint8_t* at = row.data + 4 * std::intptr_t{x0};
  const std::int32_t shift = row.shift;
  for (std::int32_t i = 0; i < n; ++i) {
    const std::uint32_t pair =
        (std::uint32_t{first[i]} << shift) | (std::uint32_t{second[i]} << shift << 16);
    std::memcpy(at + 4 * i, &pair, 4);
  }
}

// Samples 2 x and 2 x + 1 added, read as one 32-bit word, which the compiler vectorises.
std::int32_t PairOf(const std::int16_t* a, std::int32_t x) {
  std::uint32_t word;
  std::memcpy(&word, a + 2 * x, 4);  // little-endian: sample 2 x in the low half
  return (static_cast<std::int32_t>(word << 16) >> 16) + (static_cast<std::int32_t>(word) >> 16);
}

}  // namespace

void PictureCodec::DecodeYuv(std::int32_t y, std::int32_t n, std::int16_t* out,
                             std::int32_t step) const {
  const Picture::Yuv& p = picture_.yuv;
  const YuvFormat& f = p.format;
  const bool mono = f.chroma == ChromaLayout::kMono;
  const std::int32_t sx = f.chromaShiftX(), sy = f.chromaShiftY();
  const std::int32_t w = picture_.width;
  for (std::int32_t r = 0; r < n; ++r) {
    std::int16_t* s = RowAt(out, step, r);
    DecodeCodes(RowOfPlane(p.plane[0], f, y + r), w, luma_, s, 3);
    if (mono) {
      for (std::int32_t x = 0; x < w; ++x) s[3 * x + 1] = s[3 * x + 2] = 0;
      continue;
    }
    for (int c = 1; c < 3; ++c) {
      const CodeRow row = RowOfPlane(p.plane[c], f, (y + r) >> sy);
      if (sx == 0) {
        DecodeCodes(row, w, chroma_, s + c, 3);
        continue;
      }
      // Each chroma sample over the two pixels it covers (one at an odd right edge).
      for (std::int32_t x = 0; x < w; ++x) {
        std::int16_t v;
        DecodeCodes(
            {row.data + std::intptr_t{row.stride} * (x >> 1), row.stride, row.wide, row.shift}, 1,
            chroma_, &v, 1);
        s[3 * x + c] = v;
      }
    }
  }
}

void PictureCodec::EncodeYuv(std::int32_t y, std::int32_t n, const std::int16_t* samples,
                             std::int32_t step) const {
  const Picture::Yuv& p = picture_.yuv;
  const YuvFormat& f = p.format;
  const std::int32_t w = picture_.width;
  const CodeOfSum luma(luma_.scale(), 1);
  for (std::int32_t r = 0; r < n; ++r) {
    const std::int16_t* s = RowAt(samples, step, r);
    PutCodes(
        RowOfPlane(p.plane[0], f, y + r), w, [=](std::int32_t x) { return s[3 * x]; }, luma);
  }
  if (f.chroma == ChromaLayout::kMono) return;
  // Each chroma sample of the group's chroma row: the mean of the pixels it covers, cut at the
  // right and bottom edges.
  const std::int32_t sx = f.chromaShiftX();
  const std::int32_t cy = y >> f.chromaShiftY();
  const std::int16_t* s0 = samples;
  const std::int16_t* s1 = RowAt(samples, step, n > 1 ? 1 : 0);
  for (int c = 1; c < 3; ++c) {
    const CodeRow row = RowOfPlane(p.plane[c], f, cy);
    for (std::int32_t cx = 0; cx < picture_.PlaneWidth(1); ++cx) {
      const std::int32_t x0 = cx << sx;
      const std::int32_t x1 = x0 + (1 << sx) < w ? x0 + (1 << sx) : w;
      std::int32_t sum = 0;
      for (std::int32_t x = x0; x < x1; ++x) sum += s0[3 * x + c] + (n > 1 ? s1[3 * x + c] : 0);
      row.Put(cx, CodeOfSum(chroma_.scale(), n * (x1 - x0))(sum));
    }
  }
}

void PictureCodec::DecodePlanar(std::int32_t y, std::int32_t n, std::int16_t* out,
                                std::int32_t step, std::int16_t* planar) const {
  const Picture::Yuv& p = picture_.yuv;
  const YuvFormat& f = p.format;
  const std::int32_t w = picture_.width;
  std::int16_t* rows[3] = {planar, planar + w, planar + 2 * w};
  if (f.chroma == ChromaLayout::kMono) {
    std::fill_n(rows[1], 2 * w, std::int16_t{0});
  } else {
    // The group's one chroma row, each sample over the pixels it covers.
    const std::int32_t cy = y >> f.chromaShiftY(), sx = f.chromaShiftX();
    const std::int32_t cw = picture_.PlaneWidth(1);
    for (int c = 1; c < 3; ++c) {
      std::int16_t* to = rows[c];
      if (sx == 0) {
        DecodeCodes(RowOfPlane(p.plane[c], f, cy), w, chroma_, to, 1);
        continue;
      }
      // The chroma row into the second half of the row, then each sample over two pixels.
      std::int16_t* half = to + w - cw;
      DecodeCodes(RowOfPlane(p.plane[c], f, cy), cw, chroma_, half, 1);
      for (std::int32_t x = 0; x < cw; ++x) {
        const std::int16_t v = half[x];
        to[2 * x] = v;
        if (2 * x + 1 < w) to[2 * x + 1] = v;
      }
    }
  }
  for (std::int32_t r = 0; r < n; ++r) {
    DecodeCodes(RowOfPlane(p.plane[0], f, y + r), w, luma_, rows[0], 1);
    MergeS16C3(rows, 2 * w, RowAt(out, step, r), step, ImageSize{w, 1});
  }
}

void PictureCodec::EncodePlanar(std::int32_t y, std::int32_t n, const std::int16_t* samples,
                                std::int32_t step, std::int16_t* planar) const {
  const Picture::Yuv& p = picture_.yuv;
  const YuvFormat& f = p.format;
  const std::int32_t w = picture_.width;
  // Per row of the group: luma, then the row's chroma (kept for the mean over the group).
  std::int16_t* lumaRow = planar;
  std::int16_t* chroma[2][2] = {{planar + w, planar + 2 * w}, {planar + 3 * w, planar + 4 * w}};
  const CodeOfSum luma(luma_.scale(), 1);
  for (std::int32_t r = 0; r < n; ++r) {
    std::int16_t* split[3] = {lumaRow, chroma[r][0], chroma[r][1]};
    SplitS16C3(RowAt(samples, step, r), step, split, 2 * w, ImageSize{w, 1});
    PutCodes(
        RowOfPlane(p.plane[0], f, y + r), w,
        [=](std::int32_t x) { return std::int32_t{lumaRow[x]}; }, luma);
  }
  if (f.chroma == ChromaLayout::kMono) return;
  const CodeScale& scale = chroma_.scale();
  const std::int32_t sx = f.chromaShiftX();
  const CodeRow rows[2] = {RowOfPlane(p.plane[1], f, y >> f.chromaShiftY()),
                           RowOfPlane(p.plane[2], f, y >> f.chromaShiftY())};
  const std::int32_t bytes = f.wide ? 2 : 1;
  const bool paired = rows[1].data == rows[0].data + bytes && rows[0].stride == 2 * bytes &&
                      rows[1].stride == 2 * bytes;
  // Each chroma sample the mean of the pixels it covers: one or two rows of one or two pixels,
  // at an odd right edge one pixel.
  const std::int32_t cw = picture_.PlaneWidth(1);
  const std::int32_t whole = sx == 0 ? w : w >> 1;  // samples over a full pair of pixels
  const std::int32_t count = (n > 1 ? 2 : 1) << sx;
  const CodeOfSum code(scale, count);
  std::uint16_t codes[2][kCodeBlock];
  for (std::int32_t x0 = 0; x0 < cw; x0 += kCodeBlock) {
    const std::int32_t m = cw - x0 < kCodeBlock ? cw - x0 : kCodeBlock;
    const std::int32_t full = whole - x0 < m ? whole - x0 : m;
    for (int c = 0; c < 2; ++c) {
      const std::int16_t* a = chroma[0][c];
      const std::int16_t* b = chroma[n > 1 ? 1 : 0][c];
      if (sx == 0 && n > 1) {
        CodesOf(
            full, [=](std::int32_t i) { return a[x0 + i] + b[x0 + i]; }, code, codes[c]);
      } else if (sx == 0) {
        CodesOf(
            full, [=](std::int32_t i) { return std::int32_t{a[x0 + i]}; }, code, codes[c]);
      } else if (n > 1) {
        CodesOf(
            full, [=](std::int32_t i) { return PairOf(a, x0 + i) + PairOf(b, x0 + i); }, code,
            codes[c]);
      } else {
        CodesOf(
            full, [=](std::int32_t i) { return PairOf(a, x0 + i); }, code, codes[c]);
      }
      if (full < m) {
        codes[c][full] =
            static_cast<std::uint16_t>(CodeOfSum(scale, n)(a[w - 1] + (n > 1 ? b[w - 1] : 0)));
      }
    }
    if (paired) {
      StorePairs(rows[0], x0, m, codes[0], codes[1]);
    } else {
      StoreCodes(rows[0], x0, m, codes[0]);
      StoreCodes(rows[1], x0, m, codes[1]);
    }
  }
}

}  // namespace tessaro::pipeline
