// Our host for tessaro-obs.dll under 64-bit Wine, where no OBS Studio can run: it sits where OBS
// puts obs64.exe (obs-studio/bin/64bit/, beside our stand-in obs.dll), loads the plug-in from
// obs-plugins/64bit/ with its data in data/obs-plugins/tessaro-obs/ as OBS does (the module
// pointer, the locale, obs_module_load), and drives both filters: what they register and show,
// frames of several formats equal to tessaro.exe apply on the same samples, "Sync RGB" through
// the properties' callback, smoothing over a clip with a cut, formats they cannot take.
// usage: obs_wine_host_test TESSARO_EXE [gtest options]
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filter_stage.h"
#include "frame_samples.h"
#include "host/expected_filters.h"
#include "obs_standin.h"
#include "pipeline/start.h"
#include "support/windows_process.h"

namespace {

using namespace tessaro::obs;
using namespace tessaro::obs_test;
using tessaro::testing::RunProgram;
using tessaro::testing::Wide;
using tessaro::testing::WindowsPath;

std::string g_tessaro, g_folder, g_scratch;
HMODULE g_plugin = nullptr;

std::vector<Samples> Apply(const Format& f, const std::vector<Samples>& frames, bool fullRange,
                           const std::string& filter, const std::string& settings) {
  return tessaro::obs_test::Apply(RunProgram, g_tessaro, g_scratch, f, frames, fullRange, filter,
                                  settings);
}

template <typename F>
F Export(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_plugin, name)));
}

// This program's folder, with its separator.
std::string OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::string s;
  for (DWORD i = 0; i < n; ++i) s.push_back(static_cast<char>(path[i]));
  return s.substr(0, s.find_last_of("\\/") + 1);
}

// As OBS loads a module: the binary from obs-plugins/64bit, its pointer and locale set, then
// obs_module_load.
bool LoadPlugin() {
  const std::string root = g_folder + "..\\..\\";
  g_plugin = LoadLibraryW(Wide(root + "obs-plugins\\64bit\\tessaro-obs.dll").c_str());
  if (g_plugin == nullptr) {
    std::fprintf(stderr, "cannot load %sobs-plugins\\64bit\\tessaro-obs.dll (error %lu)\n",
                 root.c_str(), GetLastError());
    return false;
  }
  auto setPointer = Export<void (*)(Module*)>("obs_module_set_pointer");
  auto setLocale = Export<void (*)(const char*)>("obs_module_set_locale");
  auto load = Export<bool (*)()>("obs_module_load");
  if (setPointer == nullptr || setLocale == nullptr || load == nullptr) return false;
  setPointer(standin_module((root + "data\\obs-plugins\\tessaro-obs").c_str()));
  setLocale("en-US");
  return load();
}

// A source, the filter on it (settings as tessaro apply takes them; no smoothing unless they
// say).
class Chain {
 public:
  Chain(const char* id, const std::string& settings) {
    source_ = standin_create("tessaro_test_input", "webcam", nullptr, nullptr);
    Data* data = obs_data_create();
    obs_data_set_int(data, "smoothing", 0);
    Set(data, settings);
    filter_ = standin_create(id, "tessaro", data, source_);
    obs_data_release(data);
  }
  ~Chain() {
    standin_destroy(filter_);
    standin_destroy(source_);
  }
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;

  static void Set(Data* data, const std::string& settings) {
    EachSetting(settings, [&](const std::string& name, int value, bool check) {
      if (check) {
        obs_data_set_bool(data, name.c_str(), value != 0);
      } else {
        obs_data_set_int(data, name.c_str(), value);
      }
    });
  }
  void Update(const std::string& settings) {
    Data* data = obs_data_create();
    Set(data, settings);
    standin_update(filter_, data);
    obs_data_release(data);
  }
  Source* filter() const { return filter_; }
  Samples Filter(const Format& f, const Samples& in, bool fullRange, std::uint64_t time) {
    OwnedFrame frame = ToFrame(f, in, fullRange, time);
    EXPECT_EQ(standin_filter_video(filter_, &frame.frame), &frame.frame);
    return FromFrame(f, frame.frame);
  }

 private:
  Source* source_ = nullptr;
  Source* filter_ = nullptr;
};

TEST(ObsPluginOnWindows, RegistersBothFiltersWithTheirRows) {
  auto version = Export<std::uint32_t (*)()>("obs_module_ver");
  ASSERT_NE(version, nullptr);
  std::printf("obs_module_ver %u.%u.%u\n", version() >> 24, (version() >> 16) & 0xFF,
              version() & 0xFFFF);
  for (const tessaro::ExpectedFilter& e : tessaro::ExpectedFilters()) {
    SCOPED_TRACE(e.name);
    const char* id = FilterId(e.name);
    const SourceInfo* type = standin_source_type(id);
    ASSERT_NE(type, nullptr);
    EXPECT_STREQ(type->getName(nullptr), e.name.c_str());  // from the locale
    EXPECT_EQ(type->type, SourceType::kFilter);
    EXPECT_EQ(type->outputFlags, kSourceAsyncVideo);
    EXPECT_NE(type->filterVideo, nullptr);
    Chain chain(id, "");
    Properties* props = standin_properties(chain.filter());
    ASSERT_NE(props, nullptr);
    int i = 0;
    for (const tessaro::Track& t : e.tracks) {
      Property* p = standin_property_at(props, i++);
      ASSERT_NE(p, nullptr);
      const PropertyFacts facts = standin_property_facts(p);
      EXPECT_EQ(standin_property_name(p), t.name);
      EXPECT_EQ(facts.kind, 0) << t.name;
      EXPECT_EQ(facts.min, t.min) << t.name;
      EXPECT_EQ(facts.max, t.max) << t.name;
      EXPECT_EQ(facts.step, 1) << t.name;
      EXPECT_EQ(standin_default_int(id, t.name.c_str()), t.def) << t.name;
    }
    for (const tessaro::Check& c : e.checks) {
      if (c.def == tessaro::kButtonDefault) continue;
      Property* p = standin_property_at(props, i++);
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(standin_property_name(p), c.name);
      EXPECT_EQ(standin_property_facts(p).kind, 1) << c.name;
      EXPECT_EQ(standin_default_bool(id, c.name.c_str()), c.def != 0) << c.name;
    }
    Property* smoothing = standin_property_at(props, i++);
    ASSERT_NE(smoothing, nullptr);
    EXPECT_STREQ(standin_property_name(smoothing), "smoothing");
    // From the locale in the data folder.
    EXPECT_STREQ(standin_property_facts(smoothing).suffix, " frames");
    EXPECT_EQ(std::string(standin_property_facts(smoothing).longDescription).rfind("The frames", 0),
              0u);
    Property* help = standin_property_at(props, i++);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(standin_property_facts(help).textType, TextType::kInfo);
    EXPECT_EQ(std::string(standin_property_facts(help).description).rfind("=", 0), 0u);
    EXPECT_EQ(standin_property_at(props, i), nullptr);
    obs_properties_destroy(props);
  }
}

struct Case {
  VideoFormat format;
  int width, height;
  bool fullRange;
  const char* filter;
  const char* settings;
};

// clang-format off
const Case kCases[] = {
    {VideoFormat::kNv12, 161, 91, false, "Auto Level", ""},
    {VideoFormat::kNv12, 37, 29, true,  "Quillon Level", "--set|Rc-Hi=60|--set|Gc-Low=90|--set|gamB=70"},
    {VideoFormat::kI420, 160, 90, true,  "Auto Level", "--check|Cb=1|--check|Cr=1|--set|midRng=70"},
    {VideoFormat::kYuy2, 162, 91, false, "Quillon Level", "--check|Sync RGB=0|--set|Bi-Low=300|--set|Ro-Low=200"},
    {VideoFormat::kUyvy, 38, 29, false, "Auto Level", "--check|RGB mode=1|--set|Skip=0"},
    {VideoFormat::kP010, 161, 91, false, "Auto Level", "--set|midRng=40"},
    {VideoFormat::kP010, 161, 91, true,  "Quillon Level", "--set|Bc-Hi=50|--set|Bc-Low=50"},
    {VideoFormat::kI444, 99, 51, true,   "Quillon Level", "--set|Rc-Low=120|--set|gamR=60"},
    {VideoFormat::kY800, 161, 91, true,  "Auto Level", ""},
    {VideoFormat::kI40a, 161, 91, false, "Quillon Level", "--set|Gc-Hi=80"},
    {VideoFormat::kBgra, 161, 91, true,  "Auto Level", "--check|RGB mode=1|--set|Skip=0"},
    {VideoFormat::kRgba, 37, 29, true,   "Quillon Level", "--set|Rc-Hi=60|--set|gamG=70"},
    {VideoFormat::kBgrx, 161, 91, true,  "Auto Level", "--check|Cr=1"},
};
// clang-format on

TEST(ObsPluginOnWindows, FramesOfSeveralFormatsEqualTessaroApply) {
  int n = 0;
  for (const Case& c : kCases) {
    const Format& f = *FormatOf(c.format);
    SCOPED_TRACE(::testing::Message() << f.name << " " << c.width << "x" << c.height << " "
                                      << c.filter << " " << c.settings);
    Chain chain(FilterId(c.filter), c.settings);
    const Samples in = Scene(f, c.width, c.height, 31u * n + 7);
    const Samples got = chain.Filter(f, in, c.fullRange, 1'000'000'000);
    const std::vector<Samples> want = Apply(f, {in}, c.fullRange, c.filter, c.settings);
    ASSERT_EQ(want.size(), 1u);
    EXPECT_EQ(Differences(got, want[0]), "");
    EXPECT_NE(Differences(in, want[0]), "") << "the filter left the frame as it came";
    if (Differences(got, want[0]).empty()) {
      std::printf("ok: %s %dx%d %s range, %s, equal to tessaro.exe apply\n", f.name, c.width,
                  c.height, c.fullRange ? "full" : "limited", c.filter);
    }
    ++n;
  }
}

TEST(ObsPluginOnWindows, SyncRgbThroughThePropertiesCallback) {
  Chain chain("tessaro_quillon_level", "--set|Ri-Low=100|--set|Gi-Low=200|--set|Bi-Low=300");
  Data* settings = obs_source_get_settings(chain.filter());
  Properties* props = standin_properties(chain.filter());
  ASSERT_NE(props, nullptr);
  // Making the properties ran every callback: the differing channels stay.
  EXPECT_EQ(obs_data_get_int(settings, "Ri-Low"), 100);
  EXPECT_EQ(obs_data_get_int(settings, "Bi-Low"), 300);
  obs_data_set_int(settings, "Gi-Low", 500);
  EXPECT_TRUE(obs_property_modified(obs_properties_get(props, "Gi-Low"), settings));
  EXPECT_EQ(obs_data_get_int(settings, "Ri-Low"), 500);
  EXPECT_EQ(obs_data_get_int(settings, "Bi-Low"), 500);
  obs_data_set_bool(settings, "Sync RGB", false);
  obs_data_set_int(settings, "gamG", 45);
  EXPECT_FALSE(obs_property_modified(obs_properties_get(props, "gamG"), settings));
  EXPECT_EQ(obs_data_get_int(settings, "gamR"), 100);
  obs_properties_destroy(props);
  standin_update(chain.filter(), settings);
  const Format& f = *FormatOf(VideoFormat::kNv12);
  const Samples in = Scene(f, 120, 68, 5);
  const std::vector<Samples> want =
      Apply(f, {in}, false, "Quillon Level",
            "--set|Ri-Low=100|--set|Gi-Low=200|--set|Bi-Low=300|--move|Gi-Low=500"
            "|--check|Sync RGB=0|--set|gamG=45");
  ASSERT_EQ(want.size(), 1u);
  EXPECT_EQ(Differences(chain.Filter(f, in, false, 1'000'000'000), want[0]), "");
  obs_data_release(settings);
}

// Smoothing: the first frame and the first after the cut stand alone, the others follow the
// filters' own smoothing of the same frames.
TEST(ObsPluginOnWindows, SmoothingOverAClipWithACut) {
  const Format& f = *FormatOf(VideoFormat::kNv12);
  constexpr int kSmoothing = 3, kCut = 5, kFrames = 10;
  Chain chain("tessaro_auto_level", "--set|smoothing=" + std::to_string(kSmoothing));
  tessaro::tools::FilterStage stage(*tessaro::tools::FindFilter("Auto Level"));
  tessaro::tools::CausalSmoothing smoothing(kSmoothing);
  std::vector<Samples> clip;
  for (int n = 0; n < kFrames; ++n)
    clip.push_back(Scene(f, 96, 54, 300u + n, n < kCut ? 2 * n : 80));
  const std::vector<Samples> alone = Apply(f, clip, false, "Auto Level", "");
  ASSERT_EQ(alone.size(), clip.size());
  for (int n = 0; n < kFrames; ++n) {
    SCOPED_TRACE(n);
    const std::uint64_t time = 1'000'000'000 + n * kFrameNs;
    const Samples got = chain.Filter(f, clip[n], false, time);
    OwnedFrame mine = ToFrame(f, clip[n], false, time, 0);
    tessaro::pipeline::SamplePlane planes[3] = {
        {mine.frame.data[0], static_cast<std::int32_t>(mine.frame.linesize[0]), 1},
        {mine.frame.data[1], static_cast<std::int32_t>(mine.frame.linesize[1]), 2},
        {mine.frame.data[1] + 1, static_cast<std::int32_t>(mine.frame.linesize[1]), 2}};
    const tessaro::pipeline::YuvFormat yuv{tessaro::pipeline::ChromaLayout::k420, 8, false, false,
                                           0};
    ASSERT_NE(smoothing.Process(stage, tessaro::pipeline::Picture::YuvPlanes(planes, yuv, 96, 54)),
              tessaro::pipeline::Outcome::kFailed);
    EXPECT_EQ(Differences(got, FromFrame(f, mine.frame)), "");
    EXPECT_EQ(Differences(got, alone[n]).empty(), n == 0 || n == kCut);
  }
}

// Formats the filters cannot take, known to OBS or not, pass as they came; one line each.
TEST(ObsPluginOnWindows, OtherFormatsPassUnchangedWithOneLogLine) {
  for (const int format : {static_cast<int>(VideoFormat::kBgr3), 40}) {
    const std::string name = format == 40 ? "format 40" : "BGR3";
    Chain chain("tessaro_auto_level", "");
    const int before = standin_log_lines("[tessaro-obs]", name.c_str());
    for (int n = 0; n < 3; ++n) {
      std::vector<std::uint8_t> bytes(40 * 3 * 20);
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13);
      const std::vector<std::uint8_t> original = bytes;
      SourceFrame frame{};
      frame.data[0] = bytes.data();
      frame.linesize[0] = 40 * 3;
      frame.width = 40;
      frame.height = 20;
      frame.format = static_cast<VideoFormat>(format);
      frame.timestamp = 1'000'000'000 + n * kFrameNs;
      EXPECT_EQ(standin_filter_video(chain.filter(), &frame), &frame);
      EXPECT_EQ(bytes, original);
    }
    EXPECT_EQ(standin_log_lines("[tessaro-obs]", name.c_str()) - before, 1) << name;
  }
}

// The filters' worker threads stay parked in the DLL between frames: letting go of it must not
// unload it under them.
TEST(ObsPluginOnWindows, StaysLoadedWhenLetGo) {
  for (int i = 0; i < 3; ++i) FreeLibrary(g_plugin);
  HMODULE still = nullptr;
  EXPECT_TRUE(
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, L"tessaro-obs.dll", &still));
  EXPECT_EQ(still, g_plugin);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: obs_wine_host_test TESSARO_EXE\n");
    return 2;
  }
  g_tessaro = WindowsPath(argv[1]);
  g_folder = OwnFolder();
  // The smoothing oracle runs the filters here, on the module's code path.
  if (!tessaro::pipeline::StartFilters()) return 1;
  // An input of ours for the filters to sit on.
  static const SourceInfo input = [] {
    SourceInfo i{};
    i.id = "tessaro_test_input";
    i.type = SourceType::kInput;
    i.outputFlags = kSourceAsyncVideo;
    i.getName = [](void*) { return "test input"; };
    i.create = [](Data*, Source*) -> void* { return new int(0); };
    i.destroy = [](void* data) { delete static_cast<int*>(data); };
    return i;
  }();
  obs_register_source_s(&input, sizeof input);
  if (!LoadPlugin()) {
    std::fprintf(stderr, "tessaro-obs.dll does not load\n");
    return 1;
  }
  wchar_t temp[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, temp);
  for (DWORD i = 0; i < n; ++i) g_scratch.push_back(static_cast<char>(temp[i]));
  g_scratch += "tessaro_obs_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(Wide(g_scratch).c_str(), nullptr);
  g_scratch += "\\";
  const int status = RUN_ALL_TESTS();
  for (const char* f : {"in.y4m", "out.y4m", "in.png", "out.png"}) {
    DeleteFileW(Wide(g_scratch + f).c_str());
  }
  RemoveDirectoryW(Wide(g_scratch.substr(0, g_scratch.size() - 1)).c_str());
  return status;
}
