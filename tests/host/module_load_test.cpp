// Loads the module file given on the command line, as the editor does, and checks what
// it declares. Run against Tessaro.so natively and against Tessaro.auf under Wine.
#include <gtest/gtest.h>

#include <string>

#include "host/expected_filters.h"
#include "module_loader.h"

namespace {

std::string g_modulePath;

TEST(ModuleLoad, DeclaresBothFiltersAndStartsThem) {
  std::string error;
  auto module = tessaro::tools::LoadedModule::Open(g_modulePath, &error);
  ASSERT_TRUE(error.empty()) << error;
  tessaro::FilterDescriptor** list = module.filters();
  const auto& expected = tessaro::ExpectedFilters();
  for (std::size_t f = 0; f < expected.size(); ++f) {
    tessaro::FilterDescriptor* d = list[f];
    ASSERT_NE(d, nullptr);
    tessaro::ExpectDeclares(*d, expected[f]);
    ASSERT_NE(d->init, nullptr);
    EXPECT_EQ(d->init(d), tessaro::kTrue) << d->name;
  }
  EXPECT_EQ(list[expected.size()], nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: module_load_test MODULE\n");
    return 2;
  }
  g_modulePath = argv[1];
  return RUN_ALL_TESTS();
}
