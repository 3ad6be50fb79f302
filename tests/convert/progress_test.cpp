// The bars' arithmetic: the window's values and the command line's percentages.
#include "convert/progress.h"

#include <gtest/gtest.h>

namespace qm::convert {
namespace {

TEST(Progress, TheFileBarIsTheShareOfMailsDoneOnTheModesScale) {
  EXPECT_EQ(filePercent(0, 2, 100), 50);
  EXPECT_EQ(filePercent(28, 100, 100), 29) << "never 28 through a rounding of the division";
  EXPECT_EQ(filePercent(1, 3, 100), 66);
  EXPECT_EQ(filePercent(6, 7, 80), 80) << "DBX ends its mails at 80";
  EXPECT_EQ(filePercent(0, 0, 100), 0);
}

TEST(Progress, TheOverallBarAddsThisFilesSliceToTheFilesBefore) {
  EXPECT_EQ(overallPercent(6, 7, 100, 1, 3), 66);  // trunc(7/7 * 33) + trunc(1/3 * 100)
  EXPECT_EQ(overallPercent(0, 2, 100, 0, 2), 25);
  EXPECT_EQ(overallPercent(0, 1, 100, 1, 2), 100);
  EXPECT_EQ(overallPercent(3, 4, 80, 0, 1), 80);
  EXPECT_EQ(overallPercent(0, 1, 100, 0, 0), 0);
}

TEST(Progress, BetweenFilesTheOverallBarShowsTheFilesDone) {
  EXPECT_EQ(filesDonePercent(0, 3), 33);
  EXPECT_EQ(filesDonePercent(1, 3), 66);
  EXPECT_EQ(filesDonePercent(2, 3), 100);
}

}  // namespace
}  // namespace qm::convert
