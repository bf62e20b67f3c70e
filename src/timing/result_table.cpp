#include "timing/result_table.h"

#include "timing/sample_list.h"

namespace kv {

namespace {

ResultCell Cell(int32_t value, int32_t comparison_value) {
  ResultCell cell;
  cell.value = value;
  if (IsSet(value) && IsSet(comparison_value)) {
    const int64_t d = static_cast<int64_t>(value) - comparison_value;
    cell.difference = static_cast<int32_t>(d);
    cell.sign = d < 0 ? -1 : (d > 0 ? 1 : 0);
  }
  return cell;
}

template <typename Measure>
ResultCell Compare(const Lap& lap, const Lap* comparison, Measure measure) {
  return Cell(measure(lap), comparison ? measure(*comparison) : kNotSet);
}

}  // namespace

AngleValue AverageSpeed(const Lap& lap) {
  const int32_t time = lap.LapTime();
  const AngleValue distance = lap.LapDistance();
  if (!IsSet(time) || !IsSet(distance)) return kNotSet;
  return SpeedToStored(SafeDivide(AngleValueToRad(distance), time / 1000.0));
}

std::vector<ResultCell> ResultRow(ResultTable table, const Lap& lap, const Lap* comparison, const Lap* reference) {
  std::vector<ResultCell> row;
  const int32_t marks = reference ? reference->MarkCount() : 0;
  switch (table) {
    case ResultTable::kSectors:
      row.push_back(Compare(lap, comparison, [](const Lap& l) { return l.LapTime(); }));
      for (int32_t k = 0; k < marks; ++k) {
        const LapMark& m = reference->MarkAt(k);
        const int32_t a = m.previous ? m.previous->trap_index : -1;
        const int32_t b = m.trap_index;
        row.push_back(Compare(lap, comparison, [a, b](const Lap& l) { return l.SectorTime(a, b); }));
      }
      break;
    case ResultTable::kSplits:
      for (int32_t k = 0; k < marks; ++k) {
        const int32_t trap = reference->MarkAt(k).trap_index;
        // Only the lap's own crossing: an unfinished lap has no split at
        // its finish line, not a split of 0.
        row.push_back(Compare(lap, comparison,
                              [trap](const Lap& l) { return l.MarkPosition(trap) >= 0 ? l.SplitTime(trap) : kNotSet; }));
      }
      break;
    case ResultTable::kTrapSpeeds: {
      if (reference != nullptr) {
        row.push_back(Compare(lap, comparison, [](const Lap& l) { return l.Start().crossing_sample.speed; }));
      }
      for (int32_t k = 0; k < marks; ++k) {
        const int32_t trap = reference->MarkAt(k).trap_index;
        // Not the start's speed again for a finish the lap never reached.
        row.push_back(Compare(lap, comparison,
                              [trap](const Lap& l) { return l.MarkPosition(trap) >= 0 ? l.TrapSpeed(trap) : kNotSet; }));
      }
      break;
    }
    case ResultTable::kInformation:
      row.push_back(Compare(lap, comparison, [](const Lap& l) { return l.LapTime(); }));
      row.push_back(Compare(lap, comparison, [](const Lap& l) { return l.MaximumSpeed(); }));
      row.push_back(Compare(lap, comparison, [](const Lap& l) { return l.MinimumSpeed(); }));
      row.push_back(Compare(lap, comparison, [](const Lap& l) { return AverageSpeed(l); }));
      row.push_back(Compare(lap, comparison, [](const Lap& l) { return l.LapDistance(); }));
      break;
    case ResultTable::kHighLow:
      break;  // a list of points, see ExtremeRows
  }
  return row;
}

std::vector<ExtremeRow> ExtremeRows(const Lap& lap) {
  std::vector<ExtremeRow> rows;
  const SampleList& samples = lap.Samples();
  for (const SpeedExtreme& e : lap.Extremes()) {
    if (e.sample_index < 0 || e.sample_index >= samples.Count()) continue;
    const LogSample& s = samples[e.sample_index];
    rows.push_back({s.speed, e.is_maximum != 0, s.position, lap.TimeIntoLap(s.time), lap.DistanceIntoLap(s.distance)});
  }
  return rows;
}

RowMarks MarksOfRow(const LapList& laps, int32_t row_content) {
  const Lap* lap = row_content == LapList::kSelectOptimal ? laps.Optimal() : laps.FindLap(row_content);
  RowMarks marks;
  if (lap == nullptr) return marks;
  marks.invalid = lap->IsInvalid();
  marks.is_comparison = lap == laps.ComparisonLap(-1);
  return marks;
}

}  // namespace kv
