// The numbers of the result tables ("Sectors", "Splits", "Trap speeds",
// "High/Low speeds", "Information") for one lap against its comparison lap.
// Drawing belongs to the screens; this fixes the values, differences and
// signs. Times are ms, speeds stored speeds (AngleValue, rad/s * 1000),
// distances AngleValue central angles. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "timing/lap_list.h"

namespace kv {

enum class ResultTable : int32_t { kSectors = 0, kSplits = 1, kTrapSpeeds = 2, kHighLow = 3, kInformation = 4 };
enum class ResultsMode : int32_t { kAbsolute = 0, kDifference = 1 };

struct ResultCell {
  int32_t value = kNotSet;
  int32_t difference = kNotSet;  // value - comparison value, when both are set
  int32_t sign = 0;              // -1, 0, +1 of the difference (faster / even / slower)

  // "*" instead of a number.
  bool ShowsStar(ResultsMode mode) const {
    return !IsSet(value) || (mode == ResultsMode::kDifference && !IsSet(difference));
  }
  int32_t Shown(ResultsMode mode) const { return mode == ResultsMode::kDifference ? difference : value; }
};

// The "Information" columns.
enum InformationColumn : int32_t { kInfoLapTime, kInfoMaxSpeed, kInfoMinSpeed, kInfoAverageSpeed, kInfoDistance, kInfoCount };

// One row of a numeric table (not "High/Low speeds"): the cells of `lap`
// against `comparison` (may be nullptr), with the sectors, splits and traps
// of `reference` (may be nullptr: then only the lap time column).
// Sectors: lap time, then one per reference mark. Splits and trap speeds:
// one per reference mark (trap speeds start with the start trap).
// Information: the InformationColumn order; the note is NoteOf().
std::vector<ResultCell> ResultRow(ResultTable table, const Lap& lap, const Lap* comparison, const Lap* reference);

// VAvg: lap distance / lap time as a stored speed.
AngleValue AverageSpeed(const Lap& lap);

// One Hi/Lo point for display.
struct ExtremeRow {
  AngleValue speed = kNotSet;
  bool is_high = false;
  IntPoint position;
  int32_t time_into_lap = kNotSet;  // ms
  AngleValue distance_into_lap = kNotSet;
};
std::vector<ExtremeRow> ExtremeRows(const Lap& lap);

// A row's marks: invalid, and whether it is the lap used for comparison.
struct RowMarks {
  bool invalid = false;
  bool is_comparison = false;
};
RowMarks MarksOfRow(const LapList& laps, int32_t row_content);

}  // namespace kv
