// The Auto Level processing callback with any frame and any live values: it returns without a
// write outside the buffers, and a refused frame stays as it came. Frames it processes come
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
    AutoLevelFilter().init(&AutoLevelFilter());
    return &AutoLevelFilter();
  }();
  Input in(data, size);
  std::int32_t tracks[2], checks[4];
  FillValues(in, tracks, 2, filter->trackMins, filter->trackMaxs);
  FillValues(in, checks, 4, nullptr, nullptr);
  for (std::int32_t& c : checks) c = (c & 0x100) ? c : (c & 1);
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
  TESSARO_FUZZ_CHECK(result == kTrue || result == kFalse);
  if (verdict != FrameVerdict::kProcess || result == kFalse) {
    TESSARO_FUZZ_CHECK(frame.edit().Bytes() == edit);
  }
  if (verdict == FrameVerdict::kProcess) {
    ExpectPathsAgree(frame, *filter, edit, temp, result, slot, AutoLevelProcOnRoad);
  }
  filter->trackValues = nullptr;
  filter->checkValues = nullptr;
  return 0;
}
