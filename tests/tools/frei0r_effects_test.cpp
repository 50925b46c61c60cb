// The frei0r interface called directly, as a host calls it: parameters as the filters declare
// them, the 0..1 mapping, "Sync RGB" through the settings-changed callback, and instances with
// their own settings on several threads at once, each giving what it gives alone.
extern "C" {
#include <frei0r.h>
}
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <latch>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "host/expected_filters.h"

namespace {

struct Effect {
  // Every test needs both effects: without them there is nothing to test.
  explicit Effect(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr) {
      std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
      std::abort();
    }
    Bind(init, "f0r_init");
    Bind(info, "f0r_get_plugin_info");
    Bind(paramInfo, "f0r_get_param_info");
    Bind(construct, "f0r_construct");
    Bind(destruct, "f0r_destruct");
    Bind(set, "f0r_set_param_value");
    Bind(get, "f0r_get_param_value");
    Bind(update, "f0r_update");
    if (init == nullptr || init() != 1) {
      std::fprintf(stderr, "%s does not start\n", path);
      std::abort();
    }
  }
  template <typename F>
  void Bind(F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(handle, name));
  }
  int Param(const std::string& name) const {
    f0r_plugin_info_t i{};
    info(&i);
    for (int p = 0; p < i.num_params; ++p) {
      f0r_param_info_t pi{};
      paramInfo(&pi, p);
      if (name == pi.name) return p;
    }
    ADD_FAILURE() << "no parameter " << name;
    return -1;
  }

  void* handle;
  decltype(&f0r_init) init = nullptr;
  decltype(&f0r_get_plugin_info) info = nullptr;
  decltype(&f0r_get_param_info) paramInfo = nullptr;
  decltype(&f0r_construct) construct = nullptr;
  decltype(&f0r_destruct) destruct = nullptr;
  decltype(&f0r_set_param_value) set = nullptr;
  decltype(&f0r_get_param_value) get = nullptr;
  decltype(&f0r_update) update = nullptr;
};

// Indexed as ExpectedFilters(): "Auto Level", then "Quillon Level".
const Effect& Loaded(int filter) {
  static const Effect effects[] = {Effect(TESSARO_AUTO_LEVEL_EFFECT),
                                   Effect(TESSARO_QUILLON_LEVEL_EFFECT)};
  return effects[filter];
}

class Instance {
 public:
  Instance(const Effect& e, unsigned w, unsigned h)
      : e_(e), width_(w), height_(h), i_(e.construct(w, h)) {}
  ~Instance() { e_.destruct(i_); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  bool ok() const { return i_ != nullptr; }
  f0r_instance_t raw() const { return i_; }
  void Set(const std::string& name, double v) { SetAt(e_.Param(name), v); }
  void SetAt(int index, double v) { e_.set(i_, &v, index); }
  double Get(const std::string& name) const { return Get(e_.Param(name)); }
  double Get(int index) const {
    double v = -99.0;
    e_.get(i_, &v, index);
    return v;
  }
  std::vector<double> All() const {
    f0r_plugin_info_t info{};
    e_.info(&info);
    std::vector<double> v;
    for (int p = 0; p < info.num_params; ++p) v.push_back(Get(p));
    return v;
  }
  std::vector<std::uint32_t> Update(const std::vector<std::uint32_t>& in, double time = 0.0) {
    std::vector<std::uint32_t> out(in.size());
    e_.update(i_, time, in.data(), out.data());
    return out;
  }
  void UpdateInPlace(std::vector<std::uint32_t>* frame) {
    e_.update(i_, 0.0, frame->data(), frame->data());
  }
  std::vector<std::uint32_t> Frame(int n) const {
    std::vector<std::uint32_t> f(static_cast<std::size_t>(width_) * height_);
    for (std::size_t i = 0; i < f.size(); ++i) {
      auto* p = reinterpret_cast<std::uint8_t*>(&f[i]);
      const std::size_t x = i % width_, y = i / width_;
      p[0] = static_cast<std::uint8_t>(40 + (x * 5 + static_cast<std::size_t>(n) * 9) % 150);
      p[1] = static_cast<std::uint8_t>(60 + (y * 7 + x) % 120);
      p[2] = static_cast<std::uint8_t>(30 + (x * y + static_cast<std::size_t>(n)) % 170);
      p[3] = static_cast<std::uint8_t>(i * 37 + static_cast<std::size_t>(n));
    }
    return f;
  }

 private:
  const Effect& e_;
  unsigned width_, height_;
  f0r_instance_t i_;
};

TEST(Frei0rEffects, DeclareEveryCheckBoxThenEverySliderWithItsDefaultThenSmoothing) {
  for (int f = 0; f < 2; ++f) {
    const tessaro::ExpectedFilter& want = tessaro::ExpectedFilters()[static_cast<std::size_t>(f)];
    SCOPED_TRACE(want.name);
    const Effect& e = Loaded(f);
    // Each parameter in frei0r order: name, boolean or not, default as 0..1.
    std::vector<std::tuple<std::string, bool, double>> params;
    for (const tessaro::Check& c : want.checks) {
      if (c.def != tessaro::kButtonDefault) params.emplace_back(c.name, true, c.def);
    }
    for (const tessaro::Track& t : want.tracks) {
      params.emplace_back(t.name, false, double(t.def - t.min) / (t.max - t.min));
    }
    params.emplace_back("smoothing", false, 0.0);  // off
    f0r_plugin_info_t info{};
    e.info(&info);
    EXPECT_EQ(std::string(info.name), "Tessaro " + want.name);
    EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
    EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
    ASSERT_EQ(info.num_params, static_cast<int>(params.size()));
    Instance in(e, 8, 8);
    ASSERT_TRUE(in.ok());
    for (int p = 0; p < info.num_params; ++p) {
      const auto& [name, isBool, position] = params[static_cast<std::size_t>(p)];
      f0r_param_info_t pi{};
      e.paramInfo(&pi, p);
      EXPECT_EQ(pi.name, name);
      EXPECT_EQ(pi.type, isBool ? F0R_PARAM_BOOL : F0R_PARAM_DOUBLE) << name;
      EXPECT_DOUBLE_EQ(in.Get(p), position) << name;
    }
  }
}

TEST(Frei0rEffects, MapZeroToOneOntoTheRangeAndIgnoreWhatHasNoValue) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Row {
    int filter;
    const char* param;
    int min, max;
    double set;
    int want;  // -1: unchanged
  };
  const Row rows[] = {
      {0, "midRng", 5, 95, 0.0, 5},    {0, "midRng", 5, 95, 1.0, 95},
      {0, "midRng", 5, 95, 0.25, 28},  {0, "midRng", 5, 95, -3.0, 5},
      {0, "midRng", 5, 95, 42.0, 95},  {0, "midRng", 5, 95, kInf, 95},
      {0, "midRng", 5, 95, -kInf, 5},  {0, "midRng", 5, 95, kNaN, -1},
      {1, "gamR", 1, 100, 0.5, 51},    {1, "Ri-Low", 0, 4080, 0.1, 408},
      {0, "RGB mode", 0, 1, 0.49, 0},  {0, "RGB mode", 0, 1, 0.5, 1},
      {0, "RGB mode", 0, 1, -1.0, 0},  {0, "RGB mode", 0, 1, 7.0, 1},
      {0, "RGB mode", 0, 1, kNaN, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.param << " set to " << r.set);
    Instance in(Loaded(r.filter), 8, 8);
    in.Set(r.param, 0.0);
    in.Set(r.param, 1.0);
    const double before = in.Get(r.param);
    in.Set(r.param, r.set);
    EXPECT_DOUBLE_EQ(in.Get(r.param),
                     r.want < 0 ? before : double(r.want - r.min) / (r.max - r.min));
  }
  // Indices past either end, a null value and a null instance are ignored.
  const Effect& e = Loaded(0);
  Instance in(e, 8, 8);
  in.Set("Cb", 1.0);
  const std::vector<double> before = in.All();
  for (int index : {-1, static_cast<int>(before.size()), 1000}) in.SetAt(index, 0.7);
  in.SetAt(0, kNaN);
  e.set(in.raw(), nullptr, 0);
  EXPECT_EQ(in.All(), before);
  double one = 1.0, got = -1.0;
  e.set(nullptr, &one, 0);
  e.get(nullptr, &got, 0);
  EXPECT_EQ(got, -1.0);
}

// Only a changed value is a movement: a host that sets every parameter again before each
// frame moves nothing.
TEST(Frei0rEffects, SyncRgbFollowsChangedSlidersOnly) {
  Instance in(Loaded(1), 8, 8);
  const auto channels = [&in](const char* suffix) {
    std::vector<double> v;
    for (const char* c : {"R", "G", "B"}) v.push_back(in.Get(std::string(c) + suffix));
    return v;
  };
  using V = std::vector<double>;
  in.Set("Ri-Hi", 0.5);
  EXPECT_EQ(channels("i-Hi"), (V{0.5, 0.5, 0.5}));
  in.Set("Sync RGB", 0.0);
  in.Set("Gi-Hi", 0.25);
  EXPECT_EQ(channels("i-Hi"), (V{0.5, 0.25, 0.5}));
  in.Set("Sync RGB", 1.0);
  for (const char* c : {"Ri-Hi", "Gi-Hi", "Bi-Hi"}) in.Set(c, in.Get(c));
  EXPECT_EQ(channels("i-Hi"), (V{0.5, 0.25, 0.5}));
  in.Set("Ri-Hi", 0.75);
  EXPECT_EQ(channels("i-Hi"), (V{0.75, 0.75, 0.75}));
  in.Set("gamB", 0.0);
  EXPECT_EQ(in.Get("gamR"), 0.0);
  EXPECT_EQ(in.Get("gamG"), 0.0);
}

struct Settings {
  int filter;
  unsigned width, height;
  std::vector<std::pair<const char*, double>> params;
};

// Instances of one effect with different settings too: a shared descriptor would mix them.
const Settings kSettings[] = {
    {1, 37, 29, {{"Sync RGB", 0}, {"Rc-Hi", 0.02}, {"gamB", 0.5}}},
    {1, 37, 29, {{"Bo-Low", 0.2}, {"Ri-Low", 0.1}}},
    {0, 37, 29, {{"RGB mode", 1}, {"Skip", 0}}},
    {0, 41, 7, {{"Cb", 1}, {"Cr", 1}, {"midRng", 0.3}}},
};
constexpr int kFrames = 24;

std::unique_ptr<Instance> Make(const Settings& s) {
  auto in = std::make_unique<Instance>(Loaded(s.filter), s.width, s.height);
  for (auto [name, v] : s.params) in->Set(name, v);
  return in;
}

TEST(Frei0rEffects, InstancesOnSeveralThreadsEachGiveWhatTheyGiveAlone) {
  std::vector<std::vector<std::vector<std::uint32_t>>> alone;
  for (const Settings& s : kSettings) {
    auto in = Make(s);
    ASSERT_TRUE(in->ok());
    auto& outs = alone.emplace_back();
    for (int n = 0; n < kFrames; ++n) {
      const std::vector<std::uint32_t> frame = in->Frame(n);
      outs.push_back(in->Update(frame));
      std::vector<std::uint32_t> inPlace = frame;
      in->UpdateInPlace(&inPlace);
      EXPECT_EQ(inPlace, outs.back()) << "in place, frame " << n;
      std::size_t alphaKept = 0, changed = 0;  // bytes R, G, B, A: alpha is the top byte
      for (std::size_t i = 0; i < frame.size(); ++i) {
        alphaKept += (frame[i] >> 24) == (outs.back()[i] >> 24);
        changed += (frame[i] & 0xFFFFFF) != (outs.back()[i] & 0xFFFFFF);
      }
      EXPECT_EQ(alphaKept, frame.size()) << "frame " << n;
      EXPECT_GT(changed, 0u) << "settings " << alone.size() - 1 << " leave frame " << n;
    }
  }
  ASSERT_NE(alone[0], alone[1]);

  std::vector<std::unique_ptr<Instance>> instances;
  for (const Settings& s : kSettings) instances.push_back(Make(s));
  std::vector<std::vector<std::vector<std::uint32_t>>> together(std::size(kSettings));
  // All at once; ThreadSanitizer sees any write they share, at whatever moment.
  std::latch start(static_cast<std::ptrdiff_t>(std::size(kSettings)));
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < std::size(kSettings); ++k) {
    threads.emplace_back([&, k] {
      start.arrive_and_wait();
      for (int n = 0; n < kFrames; ++n)
        together[k].push_back(instances[k]->Update(instances[k]->Frame(n)));
    });
  }
  for (std::thread& t : threads) t.join();
  for (std::size_t k = 0; k < std::size(kSettings); ++k)
    EXPECT_TRUE(together[k] == alone[k]) << "settings " << k;
}

// 8-bit RGB is the filters' own scale (code c is the sample 16 c): at its defaults "Quillon
// Level" gives every frame back as it came, in place or into another buffer, alpha too.
TEST(Frei0rEffects, QuillonLevelAtItsDefaultsGivesEveryFrameBack) {
  for (auto [w, h] :
       {std::pair{1u, 1u}, {3u, 2u}, {17u, 9u}, {64u, 48u}, {255u, 7u}, {321u, 181u}}) {
    Instance q(Loaded(1), w, h);
    ASSERT_TRUE(q.ok());
    const std::vector<std::uint32_t> in = q.Frame(static_cast<int>(w));
    EXPECT_EQ(q.Update(in), in) << w << "x" << h;
    std::vector<std::uint32_t> inPlace = in;
    q.UpdateInPlace(&inPlace);
    EXPECT_EQ(inPlace, in) << w << "x" << h << ", in place";
  }
}

// The frame n of a second scene: the first scene's, 60 codes brighter.
std::vector<std::uint32_t> Brighter(std::vector<std::uint32_t> f) {
  for (std::uint32_t& p : f) {
    for (int b = 0; b < 24; b += 8) {
      const std::uint32_t v = std::min<std::uint32_t>(((p >> b) & 0xFF) + 60, 255);
      p = (p & ~(0xFFu << b)) | v << b;
    }
  }
  return f;
}

// "smoothing" takes previous frames of the same stream only: never those of an earlier scene,
// nor those before a seek; frames alike give what every frame gives on its own.
TEST(Frei0rEffects, SmoothingTakesOnlyThePastOfTheSameSceneAndStream) {
  constexpr double kStep = 0.04;
  constexpr unsigned kW = 48, kH = 32;
  for (int filter : {0, 1}) {
    SCOPED_TRACE(filter == 0 ? "Auto Level" : "Quillon Level, clipping");
    auto make = [&](double smoothing) {
      auto in = std::make_unique<Instance>(Loaded(filter), kW, kH);
      if (filter == 1) {
        in->Set("Rc-Hi", 0.02);  // clipping 2 % of each channel: "Sync RGB" sets all three
        in->Set("Rc-Low", 0.02);
      }
      in->Set("smoothing", smoothing);
      return in;
    };
    auto own = make(0.0);
    std::vector<std::vector<std::uint32_t>> frames, alone;
    for (int n = 0; n < 6; ++n) frames.push_back(own->Frame(n));
    for (int n = 0; n < 6; ++n) frames.push_back(Brighter(own->Frame(n)));
    for (std::size_t n = 0; n < frames.size(); ++n) alone.push_back(own->Update(frames[n]));

    auto smoothed = make(0.05);
    std::vector<std::vector<std::uint32_t>> got;
    for (std::size_t n = 0; n < frames.size(); ++n) {
      got.push_back(smoothed->Update(frames[n], static_cast<double>(n) * kStep));
    }
    EXPECT_EQ(got[0], alone[0]) << "the first frame has only itself";
    EXPECT_NE(got[4], alone[4]) << "smoothing changes nothing within a scene";
    // After the cut, as a new stream that starts there.
    auto fresh = make(0.05);
    for (std::size_t n = 6; n < frames.size(); ++n) {
      EXPECT_EQ(got[n], fresh->Update(frames[n], static_cast<double>(n) * kStep)) << n;
    }
    // A seek (back to frame 8, in the same scene) starts afresh, and the frames after it
    // follow on from there.
    auto fromEight = make(0.05);
    fromEight->Update(frames[8], 8 * kStep);
    const std::vector<std::uint32_t> nineAfterEight = fromEight->Update(frames[9], 9 * kStep);
    EXPECT_NE(nineAfterEight, got[9]);
    EXPECT_EQ(smoothed->Update(frames[8], 8 * kStep), alone[8]);
    EXPECT_EQ(smoothed->Update(frames[9], 9 * kStep), nineAfterEight);
    // Frames alike: the mean of measurements alike is each one's own, exactly.
    auto still = make(0.05);
    for (int n = 0; n < 5; ++n) {
      EXPECT_EQ(still->Update(frames[1], n * kStep), alone[1]) << n;
    }
  }
}

TEST(Frei0rEffects, RefuseSizesTheHostsLimitsExclude) {
  const Effect& e = Loaded(0);
  for (auto [w, h] : {std::pair{0u, 8u}, {8u, 0u}, {70000u, 1u}, {9000u, 9000u}, {~0u, ~0u}}) {
    f0r_instance_t i = e.construct(w, h);
    EXPECT_EQ(i, nullptr) << w << "x" << h;
    if (i != nullptr) e.destruct(i);
  }
  Instance odd(e, 1, 1);
  EXPECT_TRUE(odd.ok());
}

}  // namespace
