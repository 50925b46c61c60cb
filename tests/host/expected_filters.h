// What the module must declare, written out independently of its own tables.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_records.h"

namespace tessaro {

struct Track {
  std::string name;
  int def, min, max;
};
struct Check {
  std::string name;
  int def;
};

struct ExpectedFilter {
  std::string name;
  std::string information;
  std::vector<Track> tracks;
  std::vector<Check> checks;
};

inline std::vector<Track> LevelsTracks() {
  std::vector<Track> t;
  for (const char* c : {"R", "G", "B"}) {
    const std::string p = c;
    t.push_back({p + "c-Hi", 0, 0, 4080});
    t.push_back({p + "c-Low", 0, 0, 4080});
    t.push_back({p + "i-Hi", 4080, 0, 4080});
    t.push_back({p + "i-Low", 0, 0, 4080});
    t.push_back({p + "o-Hi", 4080, 0, 4080});
    t.push_back({p + "o-Low", 0, 0, 4080});
  }
  for (const char* g : {"gamR", "gamG", "gamB"}) t.push_back({g, 100, 1, 100});
  return t;
}

inline const std::vector<ExpectedFilter>& ExpectedFilters() {
  static const std::vector<ExpectedFilter> filters = {
      {"Auto Level",
       "Auto Level 1.0 by Orun",
       {{"midRng", 50, 5, 95}, {"Skip", 420, 0, 4080}},
       {{"Cb", 0}, {"Cr", 0}, {"RGB mode", 0}, {"HELP", -1}}},
      {"Quillon Level",
       "Quillon Level 1.0 by Orun",
       LevelsTracks(),
       {{"Sync RGB", 1}, {"HELP", -1}}},
  };
  return filters;
}

// Names, information string, every slider and check box with defaults and ranges.
inline void ExpectDeclares(const FilterDescriptor& d, const ExpectedFilter& e) {
  SCOPED_TRACE(e.name);
  EXPECT_EQ(d.flags, 0x40000);
  EXPECT_EQ(d.name, e.name);
  EXPECT_EQ(d.information, e.information);
  ASSERT_EQ(d.trackCount, static_cast<int>(e.tracks.size()));
  for (int i = 0; i < d.trackCount; ++i) {
    const Track& t = e.tracks[static_cast<std::size_t>(i)];
    EXPECT_EQ(d.trackNames[i], t.name) << i;
    EXPECT_EQ(d.trackDefaults[i], t.def) << t.name;
    EXPECT_EQ(d.trackMins[i], t.min) << t.name;
    EXPECT_EQ(d.trackMaxs[i], t.max) << t.name;
  }
  ASSERT_EQ(d.checkCount, static_cast<int>(e.checks.size()));
  for (int i = 0; i < d.checkCount; ++i) {
    const Check& c = e.checks[static_cast<std::size_t>(i)];
    EXPECT_EQ(d.checkNames[i], c.name);
    EXPECT_EQ(d.checkDefaults[i], c.def) << c.name;
  }
}

}  // namespace tessaro
