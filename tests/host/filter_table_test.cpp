#include <gtest/gtest.h>

#include "autolevel/auto_level.h"
#include "host/expected_filters.h"
#include "host/filters.h"
#include "host/help.h"
#include "host/startup.h"
#include "levels/levels.h"
#include "primitives/dispatch.h"

namespace tessaro {
namespace {

TEST(FilterTable, ListsBothFiltersInOrderWithTheirControls) {
  FilterDescriptor** list = GetFilterTableList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list, GetFilterTableList());
  const auto& expected = ExpectedFilters();
  for (std::size_t f = 0; f < expected.size(); ++f) {
    const FilterDescriptor* d = list[f];
    ASSERT_NE(d, nullptr);
    ExpectDeclares(*d, expected[f]);
    EXPECT_EQ(d->init, &FilterInit);
    EXPECT_EQ(d->exit, nullptr);
    // Host-filled fields start empty.
    EXPECT_EQ(d->trackValues, nullptr);
    EXPECT_EQ(d->checkValues, nullptr);
    EXPECT_EQ(d->services, nullptr);
    EXPECT_EQ(d->windowWidth, 0);
    EXPECT_EQ(d->windowHeight, 0);
  }
  EXPECT_EQ(list[2], nullptr);

  EXPECT_EQ(list[0]->process, &AutoLevelProc);
  EXPECT_EQ(list[0]->update, nullptr);
  EXPECT_EQ(list[0]->windowProc, &AutoLevelWindowProc);
  EXPECT_EQ(list[1]->process, &LevelsProc);
  EXPECT_EQ(list[1]->update, &LevelsUpdate);
  EXPECT_EQ(list[1]->windowProc, &LevelsWindowProc);
}

TEST(FilterTable, StartUpSucceedsTwiceWithTheSameCodePath) {
  FilterDescriptor** list = GetFilterTableList();
  ASSERT_EQ(list[0]->init(list[0]), kTrue);
  const std::int32_t path = CpuPath.load();
  ASSERT_EQ(list[1]->init(list[1]), kTrue);
  EXPECT_EQ(CpuPath.load(), path);
}

}  // namespace
}  // namespace tessaro
