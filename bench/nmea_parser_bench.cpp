// Throughput of NmeaParser on a one-hour 20 Hz recording of a car lapping a
// circuit (RMC, VTG, GGA every epoch; GSA and four GSV every second; CRLF;
// about 15 MB), fed in 4096-byte pieces as a reader thread would hand them
// over. The yardstick is the "floor": splitting the same bytes into lines
// and checking each checksum, nothing else. Both are timed alternately in
// the same run, because absolute speed on shared machines drifts by a third.
//
//   bench_nmea_parser [--benchmark_min_time=2]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/nmea_parser.h"

namespace {

constexpr size_t kPiece = 4096;
constexpr int kEpochsPerSecond = 20;
constexpr int kSeconds = 3600;

std::string WithChecksum(const char* body) {
  unsigned x = 0;
  for (const char* p = body + 1; *p; ++p) x ^= static_cast<unsigned char>(*p);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
  return std::string(body) + tail;
}

// NMEA ddmm.mmmmm text of an angle in degrees.
void AngleText(char* out, size_t size, double degrees, int degree_digits) {
  const double a = std::fabs(degrees);
  const int whole = static_cast<int>(a);
  std::snprintf(out, size, "%0*d%08.5f", degree_digits, whole, (a - whole) * 60);
}

// A car on a 2.4 km circuit near 48.1 N 11.5 E: two straights joined by two
// bends, speed between 70 and 190 km/h, so every field changes every epoch.
std::string MakeRecording() {
  std::string text;
  text.reserve(16 << 20);
  char body[256], lat[24], lon[24];
  constexpr double kPi = 3.14159265358979323846;
  constexpr double kMetresPerDegree = 111195.0;
  double along = 0;  // metres driven
  for (int second = 0; second < kSeconds; ++second) {
    for (int tick = 0; tick < kEpochsPerSecond; ++tick) {
      const double t = second + tick / double(kEpochsPerSecond);
      const double lap_phase = std::fmod(along, 2400.0) / 2400.0 * 2 * kPi;
      const double speed_kmh = 130 + 60 * std::sin(2 * lap_phase + 0.3);
      along += speed_kmh / 3.6 / kEpochsPerSecond;
      const double north = 300 * std::sin(lap_phase), east = 900 * std::cos(lap_phase);
      const double course = std::fmod(
          std::atan2(900 * -std::sin(lap_phase), 300 * std::cos(lap_phase)) * 180 / kPi + 360, 360);
      const double knots = speed_kmh / 1.852;
      AngleText(lat, sizeof lat, 48.1 + north / kMetresPerDegree, 2);
      AngleText(lon, sizeof lon, 11.5 + east / (kMetresPerDegree * std::cos(48.1 * kPi / 180)), 3);
      const int hh = 12 + static_cast<int>(t) / 3600, mm = static_cast<int>(t) / 60 % 60;
      const double ss = std::fmod(t, 60);
      char time[16];
      std::snprintf(time, sizeof time, "%02d%02d%05.2f", hh, mm, ss);
      std::snprintf(body, sizeof body, "$GPRMC,%s,A,%s,N,%s,E,%.3f,%.2f,230324,,,A", time, lat, lon,
                    knots, course);
      text += WithChecksum(body);
      std::snprintf(body, sizeof body, "$GPVTG,%.2f,T,,M,%.3f,N,%.3f,K,A", course, knots,
                    speed_kmh);
      text += WithChecksum(body);
      std::snprintf(body, sizeof body, "$GPGGA,%s,%s,N,%s,E,1,%02d,%.1f,%.1f,M,47.0,M,,", time, lat,
                    lon, 10 + second % 3, 0.7 + (second % 5) * 0.1, 520 + 5 * std::sin(lap_phase));
      text += WithChecksum(body);
      if (tick == 0) {
        text += WithChecksum("$GPGSA,A,3,01,03,06,09,11,14,17,19,22,24,28,31,1.5,0.8,1.2");
        for (int m = 1; m <= 4; ++m) {
          std::snprintf(body, sizeof body,
                        "$GPGSV,4,%d,16,%02d,%02d,%03d,%02d,%02d,%02d,%03d,%02d,%02d,%02d,%03d,%"
                        "02d,%02d,%02d,%03d,%02d",
                        m, m * 4 - 3, 10 + m, 40 * m, 30 + second % 9, m * 4 - 2, 20 + m, 45 * m,
                        35, m * 4 - 1, 30 + m, 50 * m, 41, m * 4, 40 + m, 55 * m, 44 - second % 7);
          text += WithChecksum(body);
        }
      }
    }
  }
  return text;
}

// The recording, generated into a temporary file on first use and read back.
const std::string& Recording() {
  static const std::string data = [] {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "kv_bench_20hz_hour.nmea";
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      const std::string text = MakeRecording();
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  return data;
}

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The loop of our yardstick program ../shared/bench/floor.c, unchanged but
// for C++ casts: memchr line split and the XOR checksum of each line.
long FloorGoodLines(const std::string& data) {
  long good = 0, bad = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data());
  const unsigned char* const end = p + data.size();
  while (p < end) {
    const unsigned char* nl =
        static_cast<const unsigned char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const unsigned char* e = nl ? nl : end;
    const unsigned char* q = e;
    if (q > p && q[-1] == '\r') q--;
    if (q > p) {
      if (q - p >= 4 && p[0] == '$' && q[-3] == '*') {
        unsigned x = 0;
        for (const unsigned char* c = p + 1; c < q - 3; c++) x ^= *c;
        const int hi = HexValue(q[-2]), lo = HexValue(q[-1]);
        if (hi >= 0 && lo >= 0 && static_cast<unsigned>(hi << 4 | lo) == x)
          good++;
        else
          bad++;
      } else {
        bad++;
      }
    }
    p = e + 1;
  }
  return good + bad * 1000000;
}

// Feeds the whole recording in pieces; returns the sentences parsed.
long ParseAll(const std::string& data) {
  kv::NmeaParser parser(false);
  long parsed = 0;
  for (size_t at = 0; at < data.size(); at += kPiece) {
    parser.Append(std::string_view(data).substr(at, kPiece));
    while (parser.NextSentence()) parsed += parser.Fix().type != kv::kSentenceNone;
  }
  benchmark::DoNotOptimize(parser.Fix());
  return parsed;
}

// Processor time of this process: time spent waiting for a core that other
// work holds does not count, so the ratio holds on a busy machine too.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void BM_NmeaParser(benchmark::State& state) {
  const std::string& data = Recording();
  const long lines = FloorGoodLines(data);
  double ours_s = 0, floor_s = 0;
  long sentences = 0;
  for (auto _ : state) {
    const double t0 = CpuSeconds();
    const long parsed = ParseAll(data);
    const double t1 = CpuSeconds();
    if (parsed != lines) state.SkipWithError("not every sentence parsed");
    sentences += parsed;
    state.PauseTiming();
    const double f0 = CpuSeconds();
    benchmark::DoNotOptimize(FloorGoodLines(data));
    const double f1 = CpuSeconds();
    state.ResumeTiming();
    ours_s += t1 - t0;
    floor_s += f1 - f0;
  }
  const double bytes = static_cast<double>(data.size()) * static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["sentences/s"] =
      benchmark::Counter(static_cast<double>(sentences), benchmark::Counter::kIsRate);
  state.counters["floor_MB/s"] = bytes / floor_s / 1e6;
  state.counters["ours_MB/s"] = bytes / ours_s / 1e6;
  state.counters["ratio_to_floor"] = floor_s / ours_s;
}
BENCHMARK(BM_NmeaParser)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Floor(benchmark::State& state) {
  const std::string& data = Recording();
  for (auto _ : state) benchmark::DoNotOptimize(FloorGoodLines(data));
  state.SetBytesProcessed(static_cast<int64_t>(data.size()) * state.iterations());
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Prints the table as usual and one summary line from the parser's run.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto ratio = run.counters.find("ratio_to_floor");
      if (ratio == run.counters.end()) continue;
      summary_ = "nmea_parser: " + Format(run.counters.at("ours_MB/s")) +
                 " MB/s, floor: " + Format(run.counters.at("floor_MB/s")) +
                 " MB/s, ours/floor = " + Format(ratio->second, 2) + " (" +
                 std::to_string(Recording().size()) + " bytes, 4096-byte pieces)";
    }
  }
  const std::string& Summary() const { return summary_; }

 private:
  static std::string Format(double value, int decimals = 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
  }
  std::string summary_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (!reporter.Summary().empty()) std::printf("%s\n", reporter.Summary().c_str());
  benchmark::Shutdown();
  return 0;
}
