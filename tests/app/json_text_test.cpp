// The one JSON convention: rounded doubles in their shortest form, sample
// times as ISO 8601 UTC across midnight and year ends, the text layout.
#include "app/json_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv::app {
namespace {

TEST(JsonText, NumbersRoundedAndShortest) {
  const struct {
    double value;
    int decimals;
    const char* text;
    const char* legend;
  } kCases[] = {
      {0.1 + 0.2, 2, "0.3", "the sum is 0.30000000000000004 before rounding"},
      {107.0249999, 2, "107.02", "a speed to 0.01 km/h"},
      {50.43771654, 7, "50.4377165", "a latitude to 1e-7 degree"},
      {-0.004, 2, "0", "no -0"},
      {54.0, 2, "54", "whole numbers without a fraction"},
      {1e300, 2, "1e+300", "too large to round: kept, not overflowed"},
      {std::nan(""), 2, "null", "not set"},
  };
  for (const auto& c : kCases) EXPECT_EQ(JsonText(JsonReal(c.value, c.decimals)), c.text) << c.legend;
}

TEST(JsonText, SampleTimesAsUtcDates) {
  SessionHeader header;
  header.created = {DateTimeValue::MakeDay(2009, 12, 31), DateTimeValue::MakeTime(23, 50, 0, 0)};
  SessionData session(header, LapSettings{});
  EXPECT_EQ(JsonText(IsoUtc(header.created)), R"("2009-12-31T23:50:00Z")");
  EXPECT_EQ(JsonText(IsoUtcOfSample(session, DateTimeValue::MakeTime(23, 49, 59, 120))), R"("2009-12-31T23:49:59.120Z")")
      << "dated by the day the session was created";
  EXPECT_EQ(JsonText(IsoUtcOfSample(session, kDayMs + 1500)), R"("2010-01-01T00:00:01.500Z")")
      << "past midnight: the next day, month and year";
  session.SetDateReference(1000, {DateTimeValue::MakeDay(2011, 3, 1), DateTimeValue::MakeTime(0, 0, 1, 0)});
  EXPECT_EQ(JsonText(IsoUtcOfSample(session, 0)), R"("2011-03-01T00:00:00Z")") << "the sample file's date reference wins";
  EXPECT_TRUE(IsoUtcOfSample(session, kNotSet).is_null());
  EXPECT_TRUE(IsoUtcOfSample(SessionData(SessionHeader{}, LapSettings{}), 0).is_null()) << "no date known";
}

TEST(JsonText, LayoutAndTextsThatAreNotUtf8) {
  const nlohmann::json doc = {{"a", {1, 0.5, "caf\xE9"}}, {"b", nlohmann::json::object()}};
  EXPECT_EQ(JsonText(doc), "{\"a\":[1,0.5,\"caf\xEF\xBF\xBD\"],\"b\":{}}");
  EXPECT_EQ(JsonText(doc, 1), "{\n \"a\": [\n  1,\n  0.5,\n  \"caf\xEF\xBF\xBD\"\n ],\n \"b\": {}\n}");
}

}  // namespace
}  // namespace kv::app
