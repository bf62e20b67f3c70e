// Lap times as clip lists, with the separators exactly as composed.
#include <gtest/gtest.h>

#include <limits>

#include "audio/clip_composer.h"
#include "core/not_set.h"
#include "util/utf_convert.h"

namespace kv::audio {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ClipComposer, ComposesEveryCaseOfTheTable) {
  const struct {
    int32_t ms, decimals;
    bool sign;
    const char* clips;
    const char* legend;
  } cases[] = {
      {83456, 1, false, "1;minute;23;point;5;seconds", "no separator after the final word"},
      {41020, 1, false, "41;point;0;seconds", "fraction digit 0 spoken"},
      {3600000, 1, false, "1;hour;0;point;0;seconds", "no minutes clip after the hour"},
      {3605000, 1, false, "1;hour;5;point;0;seconds", "minutes 0 silent between hour and seconds"},
      {500, 1, false, "0;point;5;seconds", "zero seconds spoken before the point"},
      {59960, 1, false, "1;minute;0;point;0;seconds", "rounding carries into the minute"},
      {1900, 0, false, "1;second", "whole seconds truncated, singular"},
      {400, 0, false, "", "under a second with no decimals: nothing"},
      {60000, 0, false, "1;minute;", "stops without a word: keeps the separator"},
      {7200000, 0, false, "2;hours;", "plural hours"},
      {125000, 0, false, "2;minutes;5;seconds", "plural minutes and seconds"},
      {-83456, 1, true, "minus;1;minute;23;point;5;seconds", "negative with sign"},
      {83456, 1, true, "plus;1;minute;23;point;5;seconds", "positive with sign"},
      {-500, 1, false, "minus;0;point;5;seconds", "negative without sign flag"},
      {0, 1, true, "plus;0;point;0;seconds", "zero counts as positive"},
      {-400, 0, false, "minus;", "negative under a second, no decimals"},
      {83456, 2, false, "1;minute;23;point;4;6;seconds", "two digits, rounded"},
      {59999, 2, false, "1;minute;0;point;0;0;seconds", "two digits carry into the minute"},
      {83456, 3, false, "1;minute;23;point;4;5;6;seconds", "milliseconds: no half unit to add"},
      {83456, 7, false, "1;minute;23;point;4;5;6;seconds", "decimals clamped to 3"},
      {83456, -1, false, "1;minute;23;seconds", "decimals clamped to 0"},
      {kMin, 1, false, "minus;596;hours;31;minutes;23;point;6;seconds",
       "INT32_MIN: magnitude in 64 bits"},
      {kNotSet - 1, 3, false, "596;hours;31;minutes;23;point;6;4;6;seconds", "largest time"},
      {kNotSet, 1, true, "", "no time is never announced"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ToUtf8(Compose(c.ms, c.decimals, c.sign)).Std(), c.clips)
        << c.legend << " (" << c.ms << " ms)";
}

TEST(ClipComposer, SplitsListsIntoNamesDroppingEmptyOnes) {
  EXPECT_EQ(SplitClipList(u"1;minute;23;point;5;seconds"),
            (std::vector<std::string>{"1", "minute", "23", "point", "5", "seconds"}));
  EXPECT_EQ(SplitClipList(u";;2;hours;"), (std::vector<std::string>{"2", "hours"}));
  EXPECT_TRUE(SplitClipList(u"").empty());
}

}  // namespace
}  // namespace kv::audio
