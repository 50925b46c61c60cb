// Which implementation each code path runs, for every primitive, in one place.
// Columns: CpuPath 0 generic, 1 SSE2, 2 SSSE3, 3 SSSE3 with MOVBE, 4 SSE4.1, 5 AVX, 6 AVX2.
// A level that brings nothing for a primitive names the implementation of the level below.
#include "primitives/slots.h"

namespace tessaro {

std::atomic<std::int32_t> CpuPath{PathGeneric};

namespace slots {
namespace g = generic;

// clang-format off
const SlotTable<ColorMatrixS16C3Fn> ColorMatrixS16C3 =
    {g::ColorMatrixS16C3, sse2::ColorMatrixS16C3, sse2::ColorMatrixS16C3, sse2::ColorMatrixS16C3,
     sse2::ColorMatrixS16C3, sse2::ColorMatrixS16C3, avx2::ColorMatrixS16C3};
const SlotTable<MeanS16C3Fn> MeanS16C3 =
    {g::MeanS16C3, sse2::MeanS16C3, sse2::MeanS16C3, sse2::MeanS16C3,
     sse2::MeanS16C3, sse2::MeanS16C3, avx2::MeanS16C3};
const SlotTable<SplitS16C3Fn> SplitS16C3 =
    {g::SplitS16C3, sse2::SplitS16C3, sse2::SplitS16C3, sse2::SplitS16C3,
     sse41::SplitS16C3, sse41::SplitS16C3, avx2::SplitS16C3};
const SlotTable<SubConstS16C1Fn> SubConstS16C1 =
    {g::SubConstS16C1, sse2::SubConstS16C1, sse2::SubConstS16C1, sse2::SubConstS16C1,
     sse2::SubConstS16C1, sse2::SubConstS16C1, avx2::SubConstS16C1};
const SlotTable<MergeS16C3Fn> MergeS16C3 =
    {g::MergeS16C3, sse2::MergeS16C3, ssse3::MergeS16C3, ssse3::MergeS16C3,
     sse41::MergeS16C3, sse41::MergeS16C3, avx2::MergeS16C3};
const SlotTable<MinMaxS16C3Fn> MinMaxS16C3 =
    {g::MinMaxS16C3, sse2::MinMaxS16C3, sse2::MinMaxS16C3, sse2::MinMaxS16C3,
     sse2::MinMaxS16C3, sse2::MinMaxS16C3, avx2::MinMaxS16C3};
const SlotTable<HistogramGetSizeFn> HistogramGetSize =
    {g::HistogramGetSize, g::HistogramGetSize, g::HistogramGetSize, g::HistogramGetSize,
     g::HistogramGetSize, g::HistogramGetSize, g::HistogramGetSize};
const SlotTable<HistogramInitUniformFn> HistogramInitUniform =
    {g::HistogramInitUniform, g::HistogramInitUniform, g::HistogramInitUniform,
     g::HistogramInitUniform, g::HistogramInitUniform, g::HistogramInitUniform,
     g::HistogramInitUniform};
const SlotTable<HistogramS16C1Fn> HistogramS16C1 =
    {g::HistogramS16C1, sse2::HistogramS16C1, sse2::HistogramS16C1, sse2::HistogramS16C1,
     sse2::HistogramS16C1, avx::HistogramS16C1, avx::HistogramS16C1};
const SlotTable<HistogramGetLevelsFn> HistogramGetLevels =
    {g::HistogramGetLevels, g::HistogramGetLevels, g::HistogramGetLevels, g::HistogramGetLevels,
     g::HistogramGetLevels, g::HistogramGetLevels, g::HistogramGetLevels};
const SlotTable<ReplaceOutOfRangeS16C1Fn> ReplaceOutOfRangeS16C1 =
    {g::ReplaceOutOfRangeS16C1, sse2::ReplaceOutOfRangeS16C1, sse2::ReplaceOutOfRangeS16C1,
     sse2::ReplaceOutOfRangeS16C1, sse2::ReplaceOutOfRangeS16C1, sse2::ReplaceOutOfRangeS16C1,
     avx2::ReplaceOutOfRangeS16C1};
const SlotTable<ConvertS16ToF32Fn> ConvertS16ToF32 =
    {g::ConvertS16ToF32, sse2::ConvertS16ToF32, sse2::ConvertS16ToF32, sse2::ConvertS16ToF32,
     sse41::ConvertS16ToF32, sse41::ConvertS16ToF32, avx2::ConvertS16ToF32};
const SlotTable<ConvertF32ToS16Fn> ConvertF32ToS16 =
    {g::ConvertF32ToS16, sse2::ConvertF32ToS16, sse2::ConvertF32ToS16, sse2::ConvertF32ToS16,
     sse2::ConvertF32ToS16, sse2::ConvertF32ToS16, avx2::ConvertF32ToS16};
const SlotTable<ReplaceOutOfRangeF32C1Fn> ReplaceOutOfRangeF32C1 =
    {g::ReplaceOutOfRangeF32C1, sse2::ReplaceOutOfRangeF32C1, sse2::ReplaceOutOfRangeF32C1,
     sse2::ReplaceOutOfRangeF32C1, sse41::ReplaceOutOfRangeF32C1, avx::ReplaceOutOfRangeF32C1,
     avx::ReplaceOutOfRangeF32C1};
const SlotTable<AllocRowsF32Fn> AllocRowsF32 =
    {g::AllocRowsF32, g::AllocRowsF32, g::AllocRowsF32, g::AllocRowsF32,
     g::AllocRowsF32, g::AllocRowsF32, g::AllocRowsF32};
const SlotTable<AllocBlockFn> AllocS32 =
    {g::Alloc32Bit, g::Alloc32Bit, g::Alloc32Bit, g::Alloc32Bit,
     g::Alloc32Bit, g::Alloc32Bit, g::Alloc32Bit};
const SlotTable<AllocBlockFn> AllocF32 =
    {g::Alloc32Bit, g::Alloc32Bit, g::Alloc32Bit, g::Alloc32Bit,
     g::Alloc32Bit, g::Alloc32Bit, g::Alloc32Bit};
const SlotTable<AllocBlockFn> AllocU8 =
    {g::AllocBytes, g::AllocBytes, g::AllocBytes, g::AllocBytes,
     g::AllocBytes, g::AllocBytes, g::AllocBytes};
const SlotTable<FreeBlockFn> FreeRows =
    {g::FreeBlock, g::FreeBlock, g::FreeBlock, g::FreeBlock,
     g::FreeBlock, g::FreeBlock, g::FreeBlock};
const SlotTable<FreeBlockFn> FreeAligned =
    {g::FreeBlock, g::FreeBlock, g::FreeBlock, g::FreeBlock,
     g::FreeBlock, g::FreeBlock, g::FreeBlock};
// The frame pipeline's kernels: each slot's kernel applies the colour matrix of the same
// slot's ColorMatrixS16C3.
const SlotTable<MeasureS16C3Fn> MeasureS16C3 =
    {g::MeasureS16C3, sse2::MeasureS16C3, sse2::MeasureS16C3, sse2::MeasureS16C3,
     sse2::MeasureS16C3, sse2::MeasureS16C3, avx2::MeasureS16C3};
const SlotTable<CountS16C3Fn> CountS16C3 =
    {g::CountS16C3, sse2::CountS16C3, sse2::CountS16C3, sse2::CountS16C3,
     sse2::CountS16C3, sse2::CountS16C3, avx2::CountS16C3};
const SlotTable<LookupS16C3Fn> LookupS16C3 =
    {g::LookupS16C3, g::LookupS16C3, g::LookupS16C3, g::LookupS16C3,
     g::LookupS16C3, g::LookupS16C3, avx2::LookupS16C3};
const SlotTable<MatrixLookupS16C3Fn> MatrixLookupS16C3 =
    {g::MatrixLookupS16C3, sse2::MatrixLookupS16C3, sse2::MatrixLookupS16C3,
     sse2::MatrixLookupS16C3, sse2::MatrixLookupS16C3, sse2::MatrixLookupS16C3,
     avx2::MatrixLookupS16C3};
// clang-format on

}  // namespace slots

// Entries: one load of CpuPath and a call through the slot, arguments untouched.
Status ColorMatrixS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                        std::int32_t dstStep, ImageSize size, const float* matrix) {
  return CallSlot(slots::ColorMatrixS16C3, src, srcStep, dst, dstStep, size, matrix);
}
Status MeanS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size, double* means) {
  return CallSlot(slots::MeanS16C3, src, srcStep, size, means);
}
Status SplitS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* const* planes,
                  std::int32_t planeStep, ImageSize size) {
  return CallSlot(slots::SplitS16C3, src, srcStep, planes, planeStep, size);
}
Status SubConstS16C1(std::int32_t value, std::int16_t* image, std::int32_t step, ImageSize size,
                     std::int32_t scaleFactor) {
  return CallSlot(slots::SubConstS16C1, value, image, step, size, scaleFactor);
}
Status MergeS16C3(const std::int16_t* const* planes, std::int32_t planeStep, std::int16_t* dst,
                  std::int32_t dstStep, ImageSize size) {
  return CallSlot(slots::MergeS16C3, planes, planeStep, dst, dstStep, size);
}
Status MinMaxS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                   std::int16_t* mins, std::int16_t* maxs) {
  return CallSlot(slots::MinMaxS16C3, src, srcStep, size, mins, maxs);
}
Status HistogramGetSize(DataType type, ImageSize size, const std::int32_t* nLevels,
                        std::int32_t channels, std::int32_t hint, std::int32_t* specSize,
                        std::int32_t* bufferSize) {
  return CallSlot(slots::HistogramGetSize, type, size, nLevels, channels, hint, specSize,
                  bufferSize);
}
Status HistogramInitUniform(DataType type, const float* lower, const float* upper,
                            const std::int32_t* nLevels, std::int32_t channels,
                            HistogramSpec* record) {
  return CallSlot(slots::HistogramInitUniform, type, lower, upper, nLevels, channels, record);
}
Status HistogramS16C1(const std::int16_t* image, std::int32_t step, ImageSize size,
                      std::int32_t* histogram, const HistogramSpec* record, std::uint8_t* buffer) {
  return CallSlot(slots::HistogramS16C1, image, step, size, histogram, record, buffer);
}
Status HistogramGetLevels(const HistogramSpec* record, float* const* levels) {
  return CallSlot(slots::HistogramGetLevels, record, levels);
}
Status ReplaceOutOfRangeS16C1(std::int16_t* image, std::int32_t step, ImageSize size,
                              std::int32_t lowThreshold, std::int32_t lowValue,
                              std::int32_t highThreshold, std::int32_t highValue) {
  return CallSlot(slots::ReplaceOutOfRangeS16C1, image, step, size, lowThreshold, lowValue,
                  highThreshold, highValue);
}
Status ConvertS16ToF32(const std::int16_t* src, std::int32_t srcStep, float* dst,
                       std::int32_t dstStep, ImageSize size) {
  return CallSlot(slots::ConvertS16ToF32, src, srcStep, dst, dstStep, size);
}
Status ConvertF32ToS16(const float* src, std::int32_t srcStep, std::int16_t* dst,
                       std::int32_t dstStep, ImageSize size, RoundMode mode) {
  return CallSlot(slots::ConvertF32ToS16, src, srcStep, dst, dstStep, size, mode);
}
Status ReplaceOutOfRangeF32C1(float* image, std::int32_t step, ImageSize size, float lowThreshold,
                              float lowValue, float highThreshold, float highValue) {
  return CallSlot(slots::ReplaceOutOfRangeF32C1, image, step, size, lowThreshold, lowValue,
                  highThreshold, highValue);
}
float* AllocRowsF32(std::int32_t width, std::int32_t height, std::int32_t* step) {
  return CallSlot(slots::AllocRowsF32, width, height, step);
}
std::int32_t* AllocS32(std::int32_t count) {
  return static_cast<std::int32_t*>(CallSlot(slots::AllocS32, count));
}
float* AllocF32(std::int32_t count) {
  return static_cast<float*>(CallSlot(slots::AllocF32, count));
}
std::uint8_t* AllocU8(std::int32_t count) {
  return static_cast<std::uint8_t*>(CallSlot(slots::AllocU8, count));
}
void FreeRows(void* block) {
  CallSlot(slots::FreeRows, block);
}
void FreeAligned(void* block) {
  CallSlot(slots::FreeAligned, block);
}

}  // namespace tessaro

namespace tessaro {

Status MeasureS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                    const float* matrix, std::int16_t* dst, std::int32_t dstStep,
                    ChannelStats* stats) {
  return CallSlot(slots::MeasureS16C3, src, srcStep, size, matrix, dst, dstStep, stats);
}
Status CountS16C3(const std::int16_t* src, std::int32_t srcStep, ImageSize size,
                  const float* matrix, std::int16_t* dst, std::int32_t dstStep, std::int32_t high,
                  std::uint32_t* const counts[3]) {
  return CallSlot(slots::CountS16C3, src, srcStep, size, matrix, dst, dstStep, high, counts);
}
Status LookupS16C3(std::int16_t* image, std::int32_t step, ImageSize size,
                   const SampleLookup lookups[3]) {
  return CallSlot(slots::LookupS16C3, image, step, size, lookups);
}
Status MatrixLookupS16C3(const std::int16_t* src, std::int32_t srcStep, std::int16_t* dst,
                         std::int32_t dstStep, ImageSize size, const float* first,
                         const SampleLookup lookups[3], const float* second) {
  return CallSlot(slots::MatrixLookupS16C3, src, srcStep, dst, dstStep, size, first, lookups,
                  second);
}

}  // namespace tessaro
