// Our own host of OBS Studio's core, Debian's libobs, started headless (under Xvfb, on Mesa's
// software OpenGL): it loads tessaro-obs through OBS's own module search from a plug-in folder
// laid out as users lay it, puts a filter on a private asynchronous source with a probe filter
// after it, outputs frames in every format OBS hands its filters, and compares what the probe
// receives with `tessaro apply` on the same samples (Y4M for YUV, PNG for RGB). Also: settings
// changed through obs_source_update, "Sync RGB" through the properties' modified callback,
// smoothing over a clip with a cut and a seek, and the formats the filters cannot take.
// usage: obs_host_test PLUGIN_FOLDER TESSARO [gtest options]
//        obs_host_test PLUGIN_FOLDER TESSARO --time WIDTH HEIGHT FRAMES
// (PLUGIN_FOLDER holds tessaro-obs/bin/64bit/tessaro-obs.so and tessaro-obs/data/; given as
// --installed, the module is the one OBS's own search finds where a package installs it.)
#include <gtest/gtest.h>
#include <obs-module.h>
#include <obs.h>
#include <obsconfig.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <util/base.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "filter_stage.h"
#include "frame_samples.h"
#include "host/expected_filters.h"
#include "pipeline/start.h"
#include "png_io.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string g_pluginFolder, g_tessaro;
bool g_installed = false;
obs_module_t* g_module = nullptr;
// This process's scratch folder, removed at the end.
std::string g_work;

std::string Scratch(const std::string& name) {
  return g_work + "/" + name;
}

// ---------------------------------------------------------------------------------------------
// libobs's log, kept for the checks on what the plug-in says.

std::mutex g_logLock;
std::vector<std::string> g_log;

void KeepLog(int level, const char* format, va_list args, void*) {
  char line[4096];
  std::vsnprintf(line, sizeof line, format, args);
  const std::lock_guard<std::mutex> hold(g_logLock);
  g_log.emplace_back(line);
  if (level <= LOG_WARNING || std::getenv("TESSARO_OBS_LOG") != nullptr) {
    std::fprintf(stderr, "libobs: %s\n", line);
  }
}

int LogLinesWith(const std::string& a, const std::string& b) {
  const std::lock_guard<std::mutex> hold(g_logLock);
  return static_cast<int>(std::count_if(g_log.begin(), g_log.end(), [&](const std::string& l) {
    return l.find(a) != std::string::npos && l.find(b) != std::string::npos;
  }));
}

// ---------------------------------------------------------------------------------------------
// The frames (frame_samples.h), as libobs's own records.

using namespace tessaro::obs_test;

const Format* FormatOf(video_format id) {
  return tessaro::obs_test::FormatOf(static_cast<VideoFormat>(id));
}

// Our declaration of the frame and libobs's lie alike up to the range (obs_api_layout.cpp).
obs_source_frame ToObs(const tessaro::obs::SourceFrame& f) {
  obs_source_frame o{};
  for (int p = 0; p < MAX_AV_PLANES; ++p) {
    o.data[p] = f.data[p];
    o.linesize[p] = f.linesize[p];
  }
  o.width = f.width;
  o.height = f.height;
  o.timestamp = f.timestamp;
  o.format = static_cast<video_format>(f.format);
  o.full_range = f.fullRange;
  video_format_get_parameters(VIDEO_CS_709, f.fullRange ? VIDEO_RANGE_FULL : VIDEO_RANGE_PARTIAL,
                              o.color_matrix, o.color_range_min, o.color_range_max);
  return o;
}

Samples FromObs(const Format& f, const obs_source_frame& o) {
  tessaro::obs::SourceFrame frame{};
  for (int p = 0; p < MAX_AV_PLANES; ++p) {
    frame.data[p] = o.data[p];
    frame.linesize[p] = o.linesize[p];
  }
  frame.width = o.width;
  frame.height = o.height;
  return FromFrame(f, frame);
}

int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<Samples> Apply(const Format& f, const std::vector<Samples>& frames, bool fullRange,
                           const std::string& filter, const std::string& settings) {
  return tessaro::obs_test::Apply(Run, g_tessaro, g_work + "/", f, frames, fullRange, filter,
                                  settings);
}

// ---------------------------------------------------------------------------------------------
// Our sources: an asynchronous input the tests feed, and a probe filter that keeps what it
// receives (or only when, for timing).

struct Received {
  Samples samples;
  std::vector<std::uint8_t> raw;  // the rows of a format the tests do not lay out
  video_format format = VIDEO_FORMAT_NONE;
  bool fullRange = false;
  Clock::time_point when;
};

struct Probe {
  std::mutex lock;
  std::condition_variable arrived;
  std::vector<Received> frames;
  bool keepSamples = true;
};

obs_source_frame* ProbeFrame(void* data, obs_source_frame* frame) {
  auto* probe = static_cast<Probe*>(data);
  Received r;
  r.when = Clock::now();
  r.format = frame->format;
  r.fullRange = frame->full_range;
  if (probe->keepSamples) {
    if (const Format* f = FormatOf(frame->format)) {
      r.samples = FromObs(*f, *frame);
    } else {
      const int bytes = frame->format == VIDEO_FORMAT_BGR3 ? 3 : 4;
      for (std::uint32_t y = 0; y < frame->height; ++y) {
        const std::uint8_t* row = frame->data[0] + static_cast<std::size_t>(y) * frame->linesize[0];
        r.raw.insert(r.raw.end(), row, row + bytes * frame->width);
      }
    }
  }
  const std::lock_guard<std::mutex> hold(probe->lock);
  probe->frames.push_back(std::move(r));
  probe->arrived.notify_all();
  return frame;
}

void RegisterOurSources() {
  obs_source_info input{};
  input.id = "tessaro_test_input";
  input.type = OBS_SOURCE_TYPE_INPUT;
  input.output_flags = OBS_SOURCE_ASYNC_VIDEO;
  input.get_name = [](void*) { return "test input"; };
  input.create = [](obs_data_t*, obs_source_t*) -> void* { return new int(0); };
  input.destroy = [](void* data) { delete static_cast<int*>(data); };
  obs_register_source(&input);

  obs_source_info probe{};
  probe.id = "tessaro_test_probe";
  probe.type = OBS_SOURCE_TYPE_FILTER;
  probe.output_flags = OBS_SOURCE_ASYNC_VIDEO;
  probe.get_name = [](void*) { return "probe"; };
  probe.create = [](obs_data_t*, obs_source_t*) -> void* { return new Probe; };
  probe.destroy = [](void* data) { delete static_cast<Probe*>(data); };
  probe.filter_video = ProbeFrame;
  obs_register_source(&probe);
}

// A private source with a filter of ours (settings given as `tessaro apply` takes them, and
// without smoothing unless they say) and a probe after it, shown on the output channel so that
// OBS draws it: every frame output goes through the filters once.
class Chain {
 public:
  Chain(const char* filterId, const std::string& settings = "", bool probeBefore = false) {
    source_ = obs_source_create_private("tessaro_test_input", "input", nullptr);
    obs_source_set_async_unbuffered(source_, true);
    if (probeBefore) {
      before_ = obs_source_create_private("tessaro_test_probe", "probe before", nullptr);
      obs_source_filter_add(source_, before_);
    }
    obs_data_t* data = obs_data_create();
    obs_data_set_int(data, "smoothing", 0);
    SetAll(data, settings);
    filter_ = obs_source_create_private(filterId, "tessaro", data);
    obs_data_release(data);
    obs_source_filter_add(source_, filter_);
    probe_ = obs_source_create_private("tessaro_test_probe", "probe", nullptr);
    obs_source_filter_add(source_, probe_);
    obs_set_output_source(0, source_);
  }
  ~Chain() {
    obs_set_output_source(0, nullptr);
    for (obs_source_t* f : {before_, filter_, probe_}) {
      if (f == nullptr) continue;
      obs_source_filter_remove(source_, f);
      obs_source_release(f);
    }
    obs_source_release(source_);
  }
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;

  obs_source_t* filter() const { return filter_; }
  Probe& probe() const { return *static_cast<Probe*>(obs_obj_get_data(probe_)); }
  Probe& before() const { return *static_cast<Probe*>(obs_obj_get_data(before_)); }

  // Settings as `tessaro apply` takes them ("--set|midRng=70|--check|Cb=1"), into `data`.
  static void SetAll(obs_data_t* data, const std::string& settings) {
    EachSetting(settings, [&](const std::string& name, int value, bool check) {
      if (check) {
        obs_data_set_bool(data, name.c_str(), value != 0);
      } else {
        obs_data_set_int(data, name.c_str(), value);
      }
    });
  }
  void Update(const std::string& settings) {
    obs_data_t* data = obs_data_create();
    SetAll(data, settings);
    obs_source_update(filter_, data);
    obs_data_release(data);
  }

  // The frame through the filters: what the probe received, once it has.
  bool Output(const OwnedFrame& frame, Received* received) {
    Probe& p = probe();
    std::unique_lock<std::mutex> hold(p.lock);
    const std::size_t before = p.frames.size();
    hold.unlock();
    const obs_source_frame obs = ToObs(frame.frame);
    obs_source_output_video(source_, &obs);
    hold.lock();
    if (!p.arrived.wait_for(hold, std::chrono::seconds(10),
                            [&] { return p.frames.size() > before; })) {
      return false;
    }
    if (received != nullptr) *received = p.frames.back();
    if (!p.keepSamples) p.frames.clear();
    return true;
  }

 private:
  obs_source_t* source_ = nullptr;
  obs_source_t* before_ = nullptr;
  obs_source_t* filter_ = nullptr;
  obs_source_t* probe_ = nullptr;
};

constexpr std::uint64_t kStartNs = 1'000'000'000;

// ---------------------------------------------------------------------------------------------

TEST(ObsModule, FoundThroughOurPluginFolderWithItsData) {
  ASSERT_NE(g_module, nullptr);
  const std::string data = obs_get_module_data_path(g_module);
  const std::string binary = obs_get_module_binary_path(g_module);
  std::printf("module %s\n  binary %s\n  data %s\n", obs_get_module_file_name(g_module),
              binary.c_str(), data.c_str());
  if (g_installed) {
    // Where this libobs looks for modules and their data of its own accord.
    const auto normal = [](const std::string& path) {
      return std::filesystem::path(path).lexically_normal().string();
    };
    EXPECT_EQ(normal(binary),
              normal(OBS_INSTALL_PREFIX "/" OBS_PLUGIN_DESTINATION "/tessaro-obs.so"));
    EXPECT_EQ(normal(data).rfind(
                  normal(OBS_INSTALL_PREFIX "/" OBS_DATA_PATH "/obs-plugins/tessaro-obs"), 0),
              0u)
        << data;
  } else {
    EXPECT_EQ(binary, g_pluginFolder + "/tessaro-obs/bin/64bit/tessaro-obs.so");
    EXPECT_EQ(data.rfind(g_pluginFolder + "/tessaro-obs/data", 0), 0u) << data;
  }
  // The module's locale came from its data folder.
  const char* text = nullptr;
  EXPECT_TRUE(obs_module_get_locale_string(g_module, "Smoothing.Description", &text));
  EXPECT_NE(text, nullptr);
}

TEST(ObsModule, RegistersBothFiltersAsAsynchronousVideoFilters) {
  for (const auto& [id, name] :
       {std::pair<const char*, const char*>{"tessaro_auto_level", "Auto Level"},
        {"tessaro_quillon_level", "Quillon Level"}}) {
    SCOPED_TRACE(id);
    const char* shown = obs_source_get_display_name(id);
    ASSERT_NE(shown, nullptr);
    EXPECT_STREQ(shown, name);
    EXPECT_EQ(obs_get_source_output_flags(id), static_cast<std::uint32_t>(OBS_SOURCE_ASYNC_VIDEO));
    obs_source_t* filter = obs_source_create_private(id, "probe type", nullptr);
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(obs_source_get_type(filter), OBS_SOURCE_TYPE_FILTER);
    obs_source_release(filter);
  }
}

// Every slider an integer slider with its range and default, every check box a check box, each
// under its own name; then smoothing, and the help text shown as text.
TEST(ObsModule, PropertiesAreTheFiltersOwnRows) {
  for (const tessaro::ExpectedFilter& e : tessaro::ExpectedFilters()) {
    SCOPED_TRACE(e.name);
    const char* id = FilterId(e.name);
    obs_properties_t* props = obs_get_source_properties(id);
    obs_data_t* defaults = obs_get_source_defaults(id);
    ASSERT_NE(props, nullptr);
    std::vector<obs_property_t*> all;
    for (obs_property_t* p = obs_properties_first(props); p != nullptr;) {
      all.push_back(p);
      if (!obs_property_next(&p)) break;
    }
    std::size_t i = 0;
    for (const tessaro::Track& t : e.tracks) {
      ASSERT_LT(i, all.size());
      obs_property_t* p = all[i++];
      EXPECT_EQ(obs_property_name(p), t.name);
      EXPECT_EQ(obs_property_description(p), t.name);
      EXPECT_EQ(obs_property_get_type(p), OBS_PROPERTY_INT) << t.name;
      EXPECT_EQ(obs_property_int_type(p), OBS_NUMBER_SLIDER) << t.name;
      EXPECT_EQ(obs_property_int_min(p), t.min) << t.name;
      EXPECT_EQ(obs_property_int_max(p), t.max) << t.name;
      EXPECT_EQ(obs_property_int_step(p), 1) << t.name;
      EXPECT_EQ(obs_data_get_default_int(defaults, t.name.c_str()), t.def) << t.name;
    }
    for (const tessaro::Check& c : e.checks) {
      if (c.def == tessaro::kButtonDefault) continue;  // HELP: the text below
      ASSERT_LT(i, all.size());
      obs_property_t* p = all[i++];
      EXPECT_EQ(obs_property_name(p), c.name);
      EXPECT_EQ(obs_property_get_type(p), OBS_PROPERTY_BOOL) << c.name;
      EXPECT_EQ(obs_data_get_default_bool(defaults, c.name.c_str()), c.def != 0) << c.name;
    }
    ASSERT_EQ(all.size(), i + 2);
    obs_property_t* smoothing = all[i];
    EXPECT_STREQ(obs_property_name(smoothing), "smoothing");
    EXPECT_EQ(obs_property_int_type(smoothing), OBS_NUMBER_SLIDER);
    EXPECT_EQ(obs_property_int_min(smoothing), 0);
    EXPECT_EQ(obs_property_int_max(smoothing), 100);
    EXPECT_STREQ(obs_property_int_suffix(smoothing), " frames");
    const long long smoothingDefault = obs_data_get_default_int(defaults, "smoothing");
    EXPECT_GT(smoothingDefault, 0);
    obs_property_t* help = all[i + 1];
    EXPECT_EQ(obs_property_get_type(help), OBS_PROPERTY_TEXT);
    EXPECT_EQ(obs_property_text_type(help), OBS_TEXT_INFO);
    const std::string text = obs_property_description(help);
    const std::string first = e.name == "Auto Level" ? "=Auto Level Adjustment=\n"
                                                     : "=Quillon-like Color Level Adjustment=\n";
    EXPECT_EQ(text.rfind(first, 0), 0u) << text;
    std::printf("%s: %zu sliders, %zu check boxes, smoothing default %lld, help of %zu lines\n",
                e.name.c_str(), e.tracks.size(), e.checks.size() - 1, smoothingDefault,
                static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    obs_data_release(defaults);
    obs_properties_destroy(props);
  }
}

struct FilterSetup {
  const char* filter;
  std::string settings;  // as tessaro apply takes them, "|" between arguments
};
const FilterSetup kSetups[] = {
    {"Auto Level", ""},
    {"Auto Level", "--check|Cb=1|--check|Cr=1|--set|midRng=70"},
    {"Auto Level", "--check|RGB mode=1|--set|Skip=0|--set|midRng=40"},
    {"Quillon Level",
     "--check|Sync RGB=0|--set|Rc-Hi=60|--set|Gc-Low=90|--set|Bi-Low=300|--set|gamG=70"
     "|--set|Ro-Low=200|--set|Bo-Hi=3700"},
};

// A small odd size (every stage on every sample) and one large enough for the passes.
struct Size {
  int width, height;
};
Size SizeFor(const Format& f, int which) {
  const bool evenWidth = f.kind == Format::kPacked;  // two pixels share four bytes
  return which == 0 ? Size{evenWidth ? 38 : 37, 29} : Size{evenWidth ? 162 : 161, 91};
}

TEST(ObsFrames, EveryFormatEqualsTessaroApply) {
  int compared = 0;
  for (const Format& f : Formats()) {
    for (const FilterSetup& setup : kSetups) {
      Chain chain(FilterId(setup.filter), setup.settings);
      for (int which = 0; which < 2; ++which) {
        const Size size = SizeFor(f, which);
        // OBS takes RGB and grey frames as full range, whatever they say.
        const bool fullRange = which == 1 || f.kind == Format::kRgb || f.mono;
        SCOPED_TRACE(::testing::Message() << f.name << " " << size.width << "x" << size.height
                                          << (fullRange ? " full" : " limited") << " range, "
                                          << setup.filter << " " << setup.settings);
        const Samples in = Scene(f, size.width, size.height, 11u * compared + 3);
        Received got;
        ASSERT_TRUE(chain.Output(ToFrame(f, in, fullRange, kStartNs + which * kFrameNs), &got));
        ASSERT_EQ(got.format, static_cast<video_format>(f.id));
        EXPECT_EQ(got.fullRange, fullRange);
        const std::vector<Samples> want = Apply(f, {in}, fullRange, setup.filter, setup.settings);
        ASSERT_EQ(want.size(), 1u);
        const std::string differences = Differences(got.samples, want[0]);
        EXPECT_EQ(differences, "");
        EXPECT_NE(Differences(in, want[0]), "") << "the filter left the frame as it came";
        ++compared;
      }
    }
    std::printf("ok: %s, every setting, equal to tessaro apply\n", f.name);
  }
  EXPECT_EQ(compared, static_cast<int>(Formats().size() * std::size(kSetups) * 2));
}

// Formats the filters cannot take pass as they came, and each filter says so once.
TEST(ObsFrames, OtherFormatsPassUnchangedWithOneLogLine) {
  for (const video_format format : {VIDEO_FORMAT_BGR3, VIDEO_FORMAT_AYUV}) {
    for (const char* filter : {"Auto Level", "Quillon Level"}) {
      const char* name = format == VIDEO_FORMAT_BGR3 ? "BGR3" : "AYUV";
      SCOPED_TRACE(::testing::Message() << filter << " " << name);
      const int before = LogLinesWith("[tessaro-obs]", name);
      Chain chain(FilterId(filter));
      const int bytes = format == VIDEO_FORMAT_BGR3 ? 3 : 4;
      for (int n = 0; n < 3; ++n) {
        const int w = 40 + n, h = 24;
        OwnedFrame o;
        o.frame.width = w;
        o.frame.height = h;
        o.frame.format = static_cast<VideoFormat>(format);
        o.frame.linesize[0] = static_cast<std::uint32_t>(bytes * w + 8);
        o.frame.timestamp = kStartNs + n * kFrameNs;
        o.bytes[0].resize(static_cast<std::size_t>(o.frame.linesize[0]) * h);
        std::vector<std::uint8_t> rows;
        for (std::size_t i = 0; i < o.bytes[0].size(); ++i) {
          o.bytes[0][i] = static_cast<std::uint8_t>(i * 7 + n);
          if (i % o.frame.linesize[0] < static_cast<std::size_t>(bytes * w)) {
            rows.push_back(o.bytes[0][i]);
          }
        }
        o.frame.data[0] = o.bytes[0].data();
        Received got;
        ASSERT_TRUE(chain.Output(o, &got));
        EXPECT_EQ(got.raw, rows);
      }
      EXPECT_EQ(LogLinesWith("[tessaro-obs]", name) - before, 1);
    }
  }
}

// obs_source_update applies from the next frame.
TEST(ObsSettings, ChangedSettingsApplyFromTheNextFrame) {
  const Format& f = *FormatOf(VIDEO_FORMAT_NV12);
  struct Step {
    const char* filter;
    const char* change;    // given to obs_source_update
    const char* settings;  // what the filter then holds, for tessaro apply
  };
  const Step steps[] = {
      {"Auto Level", "", ""},
      {"Auto Level", "--set|midRng=80", "--set|midRng=80"},
      {"Auto Level", "--check|Cr=1", "--set|midRng=80|--check|Cr=1"},
      {"Auto Level", "--set|midRng=50|--check|Cr=0", ""},
  };
  Chain chain("tessaro_auto_level");
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.change);
    if (*s.change != '\0') chain.Update(s.change);
    const Samples in = Scene(f, 96, 64, 40u + n);
    Received got;
    ASSERT_TRUE(chain.Output(ToFrame(f, in, false, kStartNs + n * kFrameNs), &got));
    const std::vector<Samples> want = Apply(f, {in}, false, s.filter, s.settings);
    ASSERT_EQ(want.size(), 1u);
    EXPECT_EQ(Differences(got.samples, want[0]), "");
    ++n;
  }
}

obs_property_t* Find(obs_properties_t* props, const char* name) {
  obs_property_t* p = obs_properties_get(props, name);
  EXPECT_NE(p, nullptr) << name;
  return p;
}

// "Sync RGB" as in AviUtl 1.10: moving one channel's slider while it is on moves the same
// slider of the other two; the properties' callback does it. Making the properties (which calls
// every property's callback) moves nothing, and with "Sync RGB" off nothing follows.
TEST(ObsSettings, SyncRgbThroughThePropertiesCallback) {
  Chain chain("tessaro_quillon_level",
              "--set|Ri-Low=100|--set|Gi-Low=200|--set|Bi-Low=300|--set|gamB=40");
  obs_properties_t* props = obs_source_properties(chain.filter());
  ASSERT_NE(props, nullptr);
  // The properties' edits go to a copy of the settings, as a properties window holds one, and
  // reach the filter through obs_source_update: libobs's video thread reads the filter's own.
  obs_data_t* live = obs_source_get_settings(chain.filter());
  obs_data_t* settings = obs_get_source_defaults("tessaro_quillon_level");
  obs_data_apply(settings, live);
  obs_data_release(live);
  const auto value = [&](const char* name) { return obs_data_get_int(settings, name); };
  // The channels differ, Sync RGB on: making the properties left them.
  EXPECT_TRUE(obs_data_get_bool(settings, "Sync RGB"));
  EXPECT_EQ(value("Ri-Low"), 100);
  EXPECT_EQ(value("Gi-Low"), 200);
  EXPECT_EQ(value("Bi-Low"), 300);
  EXPECT_EQ(value("gamR"), 100);

  struct Move {
    const char* slider;
    int value;
    bool sync;
    std::vector<std::pair<const char*, int>> after;  // partners' values afterwards
  };
  const Move moves[] = {
      {"Gi-Low", 500, true, {{"Ri-Low", 500}, {"Bi-Low", 500}}},
      {"gamB", 60, true, {{"gamR", 60}, {"gamG", 60}}},
      {"Rc-Hi", 35, true, {{"Gc-Hi", 35}, {"Bc-Hi", 35}}},
      {"Bo-Hi", 3000, false, {{"Ro-Hi", 4080}, {"Go-Hi", 4080}}},
      {"Go-Low", 150, false, {{"Ro-Low", 0}, {"Bo-Low", 0}}},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(m.slider);
    obs_data_set_bool(settings, "Sync RGB", m.sync);
    obs_data_set_int(settings, m.slider, m.value);
    EXPECT_EQ(obs_property_modified(Find(props, m.slider), settings), m.sync);
    for (const auto& [partner, v] : m.after) EXPECT_EQ(value(partner), v) << partner;
    // The same notification again moves nothing more.
    EXPECT_FALSE(obs_property_modified(Find(props, m.slider), settings));
  }
  obs_properties_destroy(props);

  // The frame with what the properties left, equal to tessaro apply moving the same sliders.
  obs_source_update(chain.filter(), settings);
  const Format& f = *FormatOf(VIDEO_FORMAT_I420);
  const Samples in = Scene(f, 120, 68, 77);
  Received got;
  ASSERT_TRUE(chain.Output(ToFrame(f, in, false, kStartNs), &got));
  // Properties made afresh on the filter, its channels differing: nothing moves.
  obs_properties_destroy(obs_source_properties(chain.filter()));
  live = obs_source_get_settings(chain.filter());
  EXPECT_EQ(obs_data_get_int(live, "Go-Low"), 150);
  EXPECT_EQ(obs_data_get_int(live, "Ro-Low"), 0);
  EXPECT_EQ(obs_data_get_int(live, "Bo-Low"), 0);
  obs_data_release(live);
  const std::vector<Samples> want =
      Apply(f, {in}, false, "Quillon Level",
            "--set|Ri-Low=100|--set|Gi-Low=200|--set|Bi-Low=300|--set|gamB=40"
            "|--move|Gi-Low=500|--move|gamB=60|--move|Rc-Hi=35"
            "|--check|Sync RGB=0|--set|Bo-Hi=3000|--set|Go-Low=150");
  ASSERT_EQ(want.size(), 1u);
  EXPECT_EQ(Differences(got.samples, want[0]), "");
  obs_data_release(settings);
}

// Smoothing over a clip: each frame's parameters are the mean of its own measurement and those
// of up to `smoothing` frames before it in its scene, never across the cut; a seek (a frame not
// after the one before) starts afresh. Checked against the filters' own smoothing run here on
// the same frames, and against tessaro apply where a frame stands alone: the first frame, the
// first after the cut, the first after the seek.
TEST(ObsSettings, SmoothingOverAClipWithACutAndASeek) {
  const Format& f = *FormatOf(VIDEO_FORMAT_NV12);
  constexpr int kSmoothing = 4;
  constexpr int kCut = 7, kSeek = 12, kFrames = 16;
  std::vector<Samples> clip;
  std::vector<std::uint64_t> times;
  for (int n = 0; n < kFrames; ++n) {
    // A slow drift of brightness in each scene, a jump at the cut.
    clip.push_back(Scene(f, 128, 72, 900u + n, n < kCut ? 3 * n : 90 - 2 * n));
    times.push_back(n < kSeek ? kStartNs + n * kFrameNs : kStartNs + (n - kSeek) * kFrameNs);
  }
  for (const FilterSetup& setup :
       {FilterSetup{"Auto Level", "--check|Cb=1"},
        FilterSetup{"Quillon Level", "--set|Rc-Hi=80|--set|Bc-Low=60"}}) {
    SCOPED_TRACE(setup.filter);
    Chain chain(FilterId(setup.filter),
                setup.settings + "|--set|smoothing=" + std::to_string(kSmoothing));
    // The same filter, settings and smoothing in this process.
    tessaro::tools::FilterStage stage(*tessaro::tools::FindFilter(setup.filter));
    const std::vector<std::string> args = Split(setup.settings);
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
      const std::size_t eq = args[i + 1].find('=');
      const int v = std::atoi(args[i + 1].c_str() + eq + 1);
      const std::string name = args[i + 1].substr(0, eq);
      ASSERT_FALSE(args[i] == "--check" ? stage.SetCheck(name, v) : stage.SetTrack(name, v));
    }
    tessaro::tools::CausalSmoothing smoothing(kSmoothing);
    const std::vector<Samples> alone = Apply(f, clip, false, setup.filter, setup.settings);
    ASSERT_EQ(alone.size(), clip.size());
    int smoothed = 0;
    for (int n = 0; n < kFrames; ++n) {
      SCOPED_TRACE(n);
      Received got;
      ASSERT_TRUE(chain.Output(ToFrame(f, clip[n], false, times[n]), &got));
      OwnedFrame mine = ToFrame(f, clip[n], false, times[n], 0);
      tessaro::pipeline::SamplePlane planes[3] = {
          {mine.frame.data[0], static_cast<std::int32_t>(mine.frame.linesize[0]), 1},
          {mine.frame.data[1], static_cast<std::int32_t>(mine.frame.linesize[1]), 2},
          {mine.frame.data[1] + 1, static_cast<std::int32_t>(mine.frame.linesize[1]), 2}};
      const tessaro::pipeline::YuvFormat yuv{tessaro::pipeline::ChromaLayout::k420, 8, false, false,
                                             0};
      if (n == 0 || n == kSeek) smoothing.Restart();
      ASSERT_NE(
          smoothing.Process(stage, tessaro::pipeline::Picture::YuvPlanes(planes, yuv, 128, 72)),
          tessaro::pipeline::Outcome::kFailed);
      EXPECT_EQ(Differences(got.samples, FromFrame(f, mine.frame)), "");
      const bool standsAlone = n == 0 || n == kCut || n == kSeek;
      if (standsAlone) {
        EXPECT_EQ(Differences(got.samples, alone[n]), "") << "stands alone";
      }
      smoothed += Differences(got.samples, alone[n]) != "";
    }
    // Frames within a scene follow their neighbours, not only themselves.
    EXPECT_GE(smoothed, kFrames - 6);
    std::printf("%s: smoothing %d, %d of %d frames differ from their own measurement\n",
                setup.filter, kSmoothing, smoothed, kFrames);
  }
}

// ---------------------------------------------------------------------------------------------
// Timing mode: filter_video as OBS calls it on its video thread, between a probe before the
// filter and the one after, over frames of NV12 of the given size; beside it the module's own
// frame time from `tessaro bench` for the same settings.

// The benchmark's settings ("Auto Level default" ...), as tessaro apply takes them.
std::vector<std::pair<std::string, FilterSetup>> BenchSetups() {
  std::vector<std::pair<std::string, FilterSetup>> setups;
  for (const tessaro::tools::BenchCase& c : tessaro::tools::BenchCases()) {
    std::string settings;
    for (const tessaro::tools::Setting& s : c.settings) {
      if (!settings.empty()) settings += "|";
      settings += (s.kind == tessaro::tools::Setting::kCheck ? "--check|" : "--set|") + s.name +
                  "=" + std::to_string(s.value);
    }
    setups.push_back({c.label, FilterSetup{c.filter, settings}});
  }
  return setups;
}

std::map<std::string, double> BenchTimes(int w, int h, int frames) {
  std::map<std::string, double> times;
  const std::string out = Scratch("bench.txt");
  const std::string command = "'" + g_tessaro + "' bench --size " + std::to_string(w) + "x" +
                              std::to_string(h) + " --frames " + std::to_string(frames) + " > '" +
                              out + "'";
  if (std::system(command.c_str()) != 0) return times;
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.rfind("where", 0) == 0) {
      if (!times.empty()) break;
      continue;
    }
    for (const auto& [label, setup] : BenchSetups()) {
      if (line.rfind(label, 0) == 0) times[label] = std::atof(line.c_str() + label.size());
    }
  }
  return times;
}

int TimeFilters(int w, int h, int frames) {
  const Format& f = *FormatOf(VIDEO_FORMAT_NV12);
  const Samples scene = Scene(f, w, h, 5);
  std::printf("%-24s %10s %10s %7s  (ms, median of %d frames, %dx%d NV12)\n", "setting", "in OBS",
              "bench", "ratio", frames, w, h);
  const std::map<std::string, double> bench = BenchTimes(w, h, frames);
  for (const auto& [label, setup] : BenchSetups()) {
    Chain chain(FilterId(setup.filter), setup.settings, true);
    chain.probe().keepSamples = false;
    chain.before().keepSamples = false;
    std::vector<double> times;
    for (int n = 0; n <= frames; ++n) {
      const OwnedFrame frame = ToFrame(f, scene, false, kStartNs + n * kFrameNs);
      Received after;
      if (!chain.Output(frame, &after)) return 1;
      Clock::time_point start;
      {
        Probe& before = chain.before();
        const std::lock_guard<std::mutex> hold(before.lock);
        start = before.frames.back().when;
        before.frames.clear();
      }
      if (n == 0) continue;  // the first frame starts the workers
      times.push_back(std::chrono::duration<double, std::milli>(after.when - start).count());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const auto b = bench.find(label);
    const double own = b != bench.end() ? b->second : 0.0;
    std::printf("%-24s %10.3f %10.3f %7.2f\n", label.c_str(), median, own,
                own > 0.0 ? median / own : 0.0);
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------

bool StartObs() {
  base_set_log_handler(KeepLog, nullptr);
  if (!obs_startup("en-US", nullptr, nullptr)) {
    std::fprintf(stderr, "obs_startup failed\n");
    return false;
  }
  obs_video_info video{};
  video.graphics_module = "libobs-opengl";
  video.fps_num = 60;
  video.fps_den = 1;
  video.base_width = video.output_width = 128;
  video.base_height = video.output_height = 72;
  video.output_format = VIDEO_FORMAT_NV12;
  video.gpu_conversion = true;
  video.colorspace = VIDEO_CS_709;
  video.range = VIDEO_RANGE_PARTIAL;
  video.scale_type = OBS_SCALE_BICUBIC;
  if (const int status = obs_reset_video(&video); status != OBS_VIDEO_SUCCESS) {
    std::fprintf(stderr, "obs_reset_video failed (%d): libobs needs an X display and OpenGL\n",
                 status);
    return false;
  }
  // A user's plug-in folder: PLUGIN_FOLDER/MODULE/bin/64bit and PLUGIN_FOLDER/MODULE/data.
  if (!g_installed) {
    obs_add_module_path((g_pluginFolder + "/%module%/bin/64bit").c_str(),
                        (g_pluginFolder + "/%module%/data").c_str());
  }
  struct Found {
    std::string bin, data;
    int count = 0;
  } found;
  obs_find_modules2(
      [](void* param, const obs_module_info2* info) {
        auto* f = static_cast<Found*>(param);
        if (std::string(info->name) != "tessaro-obs" ||
            std::string(info->bin_path).rfind(g_pluginFolder, 0) != 0) {
          return;
        }
        f->bin = info->bin_path;
        f->data = info->data_path;
        ++f->count;
      },
      &found);
  if (found.count != 1) {
    std::fprintf(stderr, "OBS's module search found tessaro-obs %d times in %s\n", found.count,
                 g_pluginFolder.c_str());
    return false;
  }
  if (obs_open_module(&g_module, found.bin.c_str(), found.data.c_str()) != MODULE_SUCCESS ||
      !obs_init_module(g_module)) {
    std::fprintf(stderr, "OBS cannot load %s\n", found.bin.c_str());
    return false;
  }
  RegisterOurSources();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3 && !(argc == 7 && std::strcmp(argv[3], "--time") == 0)) {
    std::fprintf(stderr,
                 "usage: obs_host_test PLUGIN_FOLDER|--installed TESSARO\n"
                 "       obs_host_test PLUGIN_FOLDER|--installed TESSARO --time WIDTH HEIGHT "
                 "FRAMES\n");
    return 2;
  }
  g_installed = std::strcmp(argv[1], "--installed") == 0;
  g_pluginFolder = g_installed ? "" : argv[1];
  g_tessaro = argv[2];
  // Timing: Mesa's software renderer draws on the video thread itself, after the filters, not
  // on threads of its own beside them.
  if (argc == 7) setenv("LP_NUM_THREADS", "0", 1);
  // The smoothing oracle runs the filters here: on the module's code path, whose colour matrices
  // round as the module's do.
  if (!tessaro::pipeline::StartFilters()) return 1;
  char work[] = "/tmp/tessaro_obs_XXXXXX";
  if (mkdtemp(work) == nullptr) return 1;
  g_work = work;
  int status = 1;
  if (StartObs()) {
    status = argc == 7 ? TimeFilters(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]))
                       : RUN_ALL_TESTS();
  }
  obs_shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(g_work, ignored);
  return status;
}
