// A long run through the command-line host's own session and filter chain, with the module
// loaded once: clips of varying sizes, row paddings, filter chains and settings, the
// settings moving from frame to frame as during playback. Writes one digest per frame, so that
// a fresh process running one clip alone can be compared with it, and reports resident
// memory after loading, then every thousand frames. Exits 1 when memory grew by more than
// allowed between the end of the warm-up and the end of the run. The warm-up lets the
// allocators reach their working size: the first clip is the largest frame of the run.
//
// usage: soak_host --module PATH [--frames N] [--clip C] [--seed S] [--digests FILE]
//                  [--warmup N] [--max-growth-kib K]
//   --clip C runs clip C alone, as a fresh run of it.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "filter_chain.h"
#include "host_session.h"
#include "platform_io.h"
#include "yc_image.h"

using namespace tessaro;
using namespace tessaro::tools;

namespace {

// Integer-only, so that every target generates the same clips.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // Uniform enough in lo..hi for a test.
  std::int32_t In(std::int32_t lo, std::int32_t hi) {
    return lo + static_cast<std::int32_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool OneIn(int n) { return Next() % static_cast<std::uint64_t>(n) == 0; }

 private:
  std::uint64_t state_;
};

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
  return Random(a * 0xD1B54A32D192ED03u + b).Next();
}

struct Options {
  std::string module;
  std::int64_t frames = 10000;
  std::int64_t onlyClip = -1;
  std::uint64_t seed = 1;
  std::string digests;
  std::int64_t warmup = 2000;
  std::int64_t maxGrowthKib = 4096;
};

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--module") {
      o->module = value;
    } else if (arg == "--frames") {
      o->frames = std::strtoll(value, nullptr, 10);
    } else if (arg == "--clip") {
      o->onlyClip = std::strtoll(value, nullptr, 10);
    } else if (arg == "--seed") {
      o->seed = std::strtoull(value, nullptr, 10);
    } else if (arg == "--digests") {
      o->digests = value;
    } else if (arg == "--warmup") {
      o->warmup = std::strtoll(value, nullptr, 10);
    } else if (arg == "--max-growth-kib") {
      o->maxGrowthKib = std::strtoll(value, nullptr, 10);
    } else {
      return false;
    }
  }
  return !o->module.empty() && o->frames > 0;
}

struct ClipPlan {
  std::int32_t width = 0, height = 0, rowPad = 0, frames = 0;
  std::vector<FilterRequest> filters;
};

// Mostly small and medium pictures, now and then a full HD one; clip 0 is the largest of all,
// so that the warm-up has already seen every buffer size the run will ask for.
void PickSize(Random* r, std::int64_t clip, ClipPlan* plan) {
  if (clip == 0) {
    plan->width = 1920;
    plan->height = 1080;
    plan->rowPad = 64;
    return;
  }
  const int kind = r->In(0, 99);
  if (kind < 55) {
    plan->width = r->In(1, 160);
    plan->height = r->In(1, 120);
  } else if (kind < 97) {
    plan->width = r->In(161, 720);
    plan->height = r->In(121, 576);
  } else {
    plan->width = r->In(1280, 1920);
    plan->height = r->In(720, 1080);
  }
  plan->rowPad = r->OneIn(2) ? 0 : r->In(1, 64);
}

// Every slider and check box of the filter, each left at its default a quarter of the time.
FilterRequest RandomSettings(Random* r, const FilterEntry* f) {
  FilterRequest request{f->name, {}};
  for (const pipeline::SliderRow& row : f->sliders) {
    if (r->OneIn(4)) continue;
    request.settings.push_back({Setting::kSet, row.name, r->In(row.min, row.max)});
  }
  for (const pipeline::CheckRow& row : f->checks) {
    if (row.button || r->OneIn(4)) continue;
    request.settings.push_back({Setting::kCheck, row.name, r->In(0, 1)});
  }
  return request;
}

ClipPlan PlanClip(HostSession* session, std::uint64_t seed, std::int64_t clip) {
  Random r(Mix(seed, static_cast<std::uint64_t>(clip)));
  ClipPlan plan;
  PickSize(&r, clip, &plan);
  plan.frames = clip == 0 ? 3 : r.In(1, 16);
  const std::vector<const FilterEntry*> filters = session->entries();
  const int stages = clip == 0 ? 3 : r.In(1, 3);
  for (int s = 0; s < stages; ++s) {
    const FilterEntry* f =
        filters[static_cast<std::size_t>(r.In(0, static_cast<std::int32_t>(filters.size()) - 1))];
    plan.filters.push_back(RandomSettings(&r, f));
  }
  return plan;
}

// Gradients, noise of varying strength and the odd flat or wild picture: samples run past the
// nominal ranges now and then, as a host may hand over.
void FillFrame(Random* r, YcImage* image) {
  const int kind = r->In(0, 19);
  const std::int32_t base[3] = {r->In(0, 4096), r->In(-2048, 2048), r->In(-2048, 2048)};
  const std::int32_t slope[3] = {r->In(-64, 64), r->In(-32, 32), r->In(-32, 32)};
  const std::int32_t noise = kind == 0 ? 0 : r->In(1, 1024);
  const std::uint64_t salt = r->Next();
  for (std::int32_t y = 0; y < image->height; ++y) {
    for (std::int32_t x = 0; x < image->width; ++x) {
      const std::uint64_t h =
          Mix(salt, static_cast<std::uint64_t>(y) << 32 | static_cast<std::uint32_t>(x));
      YcPixel& p = image->at(x, y);
      std::int16_t* samples[3] = {&p.y, &p.cb, &p.cr};
      for (int c = 0; c < 3; ++c) {
        std::int32_t v = base[c];
        if (kind == 1) {
          v = static_cast<std::int16_t>(h >> (16 * c));  // anything at all
        } else if (kind != 0) {
          v += (slope[c] * (x + y)) / 16 +
               static_cast<std::int32_t>((h >> (16 * c)) % static_cast<std::uint64_t>(noise)) -
               noise / 2;
        }
        *samples[c] = static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
      }
    }
  }
}

// A slider moved between frames, through the settings-changed callback.
void MoveOneSlider(Random* r, FilterChain* chain) {
  const std::size_t s =
      static_cast<std::size_t>(r->In(0, static_cast<std::int32_t>(chain->stages().size()) - 1));
  FilterStage& stage = chain->stage(s);
  const auto& sliders = stage.entry().sliders;
  if (sliders.empty()) return;
  const auto& row =
      sliders[static_cast<std::size_t>(r->In(0, static_cast<std::int32_t>(sliders.size()) - 1))];
  if (Failure f = stage.MoveTrack(row.name, r->In(row.min, row.max))) {
    std::fprintf(stderr, "soak: %s\n", f.message.c_str());
    std::exit(1);
  }
}

std::uint64_t Digest(const YcImage& image, const std::vector<pipeline::Outcome>& outcomes) {
  std::uint64_t h = 0x6A09E667F3BCC909u;
  const auto add = [&h](std::uint64_t word) {
    h = (h ^ word) * 0x100000001B3u;
    h ^= h >> 29;
  };
  add(static_cast<std::uint64_t>(image.width) << 32 | static_cast<std::uint32_t>(image.height));
  for (pipeline::Outcome o : outcomes) add(o == pipeline::Outcome::kDone ? 1 : 0);
  for (const YcPixel& p : image.pixels) {
    add(static_cast<std::uint64_t>(static_cast<std::uint16_t>(p.y)) |
        static_cast<std::uint64_t>(static_cast<std::uint16_t>(p.cb)) << 16 |
        static_cast<std::uint64_t>(static_cast<std::uint16_t>(p.cr)) << 32);
  }
  return h;
}

long long Kib(std::int64_t bytes) {
  return static_cast<long long>(bytes / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: soak_host --module PATH [--frames N] [--clip C] [--seed S] "
                 "[--digests FILE] [--warmup N] [--max-growth-kib K]\n");
    return 2;
  }
  HostSession session;
  if (Failure f = HostSession::Open(o.module, &session)) {
    std::fprintf(stderr, "soak: %s\n", f.message.c_str());
    return 1;
  }
  std::FILE* digests = o.digests.empty() ? nullptr : std::fopen(o.digests.c_str(), "w");
  if (!o.digests.empty() && digests == nullptr) {
    std::fprintf(stderr, "soak: cannot create %s\n", o.digests.c_str());
    return 1;
  }
  const ResidentMemory loaded = MeasureResidentMemory();
  ResidentMemory warm = loaded;
  std::string series;
  std::int64_t done = 0, refused = 0;
  YcImage image;
  std::vector<pipeline::Outcome> outcomes;
  for (std::int64_t clip = o.onlyClip < 0 ? 0 : o.onlyClip; done < o.frames; ++clip) {
    const ClipPlan plan = PlanClip(&session, o.seed, clip);
    FilterChain chain;
    if (Failure f = FilterChain::Build(&session, plan.filters, &chain)) {
      std::fprintf(stderr, "soak: clip %lld: %s\n", static_cast<long long>(clip),
                   f.message.c_str());
      return 1;
    }
    Random r(Mix(o.seed ^ 0x5EED, static_cast<std::uint64_t>(clip)));
    for (std::int32_t frame = 0; frame < plan.frames && done < o.frames; ++frame, ++done) {
      if (frame > 0) MoveOneSlider(&r, &chain);
      image.Resize(plan.width, plan.height);
      FillFrame(&r, &image);
      if (const char* failed = chain.Run(&image, plan.rowPad, &outcomes)) {
        std::fprintf(stderr, "soak: clip %lld: %s could not process a frame\n",
                     static_cast<long long>(clip), failed);
        return 1;
      }
      // Auto Level in RGB mode turns down a frame too flat to level: part of the digest.
      for (pipeline::Outcome o : outcomes) refused += o != pipeline::Outcome::kDone;
      if (digests != nullptr) {
        std::fprintf(digests, "clip %lld frame %d %dx%d+%d %016" PRIx64 "\n",
                     static_cast<long long>(clip), frame, plan.width, plan.height, plan.rowPad,
                     Digest(image, outcomes));
      }
      if (done + 1 == o.warmup) warm = MeasureResidentMemory();
      if ((done + 1) % 1000 == 0) series += " " + std::to_string(Kib(MeasureResidentMemory().now));
    }
    if (o.onlyClip >= 0) break;
  }
  if (digests != nullptr && std::fclose(digests) != 0) {
    std::fprintf(stderr, "soak: cannot write %s\n", o.digests.c_str());
    return 1;
  }
  const ResidentMemory end = MeasureResidentMemory();
  std::printf(
      "soak: %lld frames, %lld filter calls turned a frame down; resident memory "
      "%lld KiB after loading, %lld KiB after %lld frames, %lld KiB at the end "
      "(peak %lld KiB); every 1000 frames:%s KiB\n",
      static_cast<long long>(done), static_cast<long long>(refused), Kib(loaded.now), Kib(warm.now),
      static_cast<long long>(o.warmup), Kib(end.now), Kib(end.peak), series.c_str());
  int status = 0;
  if (done > o.warmup && (end.now < 0 || end.now - warm.now > o.maxGrowthKib * 1024)) {
    std::fprintf(stderr,
                 "soak: resident memory grew by %lld KiB after the warm-up (allowed %lld)\n",
                 Kib(end.now - warm.now), static_cast<long long>(o.maxGrowthKib));
    status = 1;
  }
  return status;
}
