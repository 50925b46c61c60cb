// The Quillon Level processing callback with any frame and any live values: it returns without
// a write outside the buffers, and a refused frame stays as it came. Frames it processes come
// out the same on the per-sample and the pipeline road, on every slot.
#include "filter_frame.h"
#include "host/filters.h"
#include "host/frame_callbacks.h"
#include "host/frame_guard.h"
#include "parallel/parallel.h"

using namespace tessaro;
using namespace tessaro::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FilterDescriptor* const filter = [] {
    parallel::SetMaxWorkers(1);
    LevelsFilter().init(&LevelsFilter());
    return &LevelsFilter();
  }();
  Input in(data, size);
  std::int32_t tracks[kLevelsTrackCount], checks[2];
  FillValues(in, tracks, kLevelsTrackCount, filter->trackMins, filter->trackMaxs);
  FillValues(in, checks, 2, nullptr, nullptr);
  filter->trackValues = tracks;
  filter->checkValues = checks;
  FuzzFrame frame(in);
  if (frame.TooLarge()) return 0;
  const std::int32_t slot = RunnableSlot(in);
  const auto edit = frame.edit().Bytes();
  const auto temp = frame.temp().Bytes();
  const FrameVerdict verdict = CheckFrame(filter, frame.info());
  TESSARO_FUZZ_CHECK((verdict == FrameVerdict::kProcess) == frame.Contractual());
  const HostBool result = filter->process(filter, frame.info());
  TESSARO_FUZZ_CHECK(result == (verdict == FrameVerdict::kProcess ? kTrue : kFalse));
  if (result == kFalse) TESSARO_FUZZ_CHECK(frame.edit().Bytes() == edit);
  if (verdict == FrameVerdict::kProcess) {
    ExpectPathsAgree(frame, *filter, edit, temp, kTrue, slot, LevelsProcOnRoad);
  }
  filter->trackValues = nullptr;
  filter->checkValues = nullptr;
  return 0;
}
