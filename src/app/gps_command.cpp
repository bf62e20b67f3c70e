// `korvatinel gps SOURCE [--seconds N]`: a receiver check. Connects to the
// source and prints the connection states, each fix as the session would
// record it, the sentence counts and the epochs that were not a fix.
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/source_command.h"
#include "timing/geodesy.h"
#include "timing/sample_builder.h"

namespace kv::app {

namespace {

class GpsPrinter final : public SourceWatcher {
 public:
  explicit GpsPrinter(std::ostream& out) : out_(out) {}

  void OnState(SourceState state, double seconds) override {
    // The epoch under way when the input ends or breaks off is finished,
    // as a recording does.
    builder_.EndOfInput();
    for (bool more = builder_.NewSample(); more; more = builder_.NextSample()) PrintFix(seconds);
    Line(seconds) << "state " << StateName(state) << '\n';
  }

  void OnText(std::string_view text, double seconds) override {
    parser_.Append(text);
    while (parser_.NextSentence()) {
      const FixRecord& fix = parser_.Fix();
      ++counts_[static_cast<size_t>(fix.type)];
      builder_.Feed(fix);
      for (bool more = builder_.NewSample(); more; more = builder_.NextSample()) PrintFix(seconds);
    }
  }

  void PrintCounts() {
    static constexpr std::array<const char*, kSentenceTypeCount> kNames = {
        "other", "RMC", "GGA", "GSA", "GSV", "VTG", "ZDA", "OBD", "ACC", "GLL", "GNS"};
    out_ << "sentences:";
    for (size_t t = 0; t < counts_.size(); ++t) out_ << ' ' << kNames[t] << ' ' << counts_[t];
    out_ << "\nnot a fix: " << builder_.NotAFixCount() << " epochs\n";
  }

 private:
  std::ostream& Line(double seconds) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.1f s  ", seconds);
    return out_ << stamp;
  }

  void PrintFix(double seconds) {
    const LogSample sample = builder_.Sample();
    const int32_t t = sample.time % kDayMs;
    const GeoPoint at = ToGeoPoint(sample.position);
    char text[160];
    std::snprintf(text, sizeof text,
                  "fix %02d:%02d:%02d.%03d quality %d satellites %d position %.6f %.6f\n",
                  t / 3600000, t / 60000 % 60, t / 1000 % 60, t % 1000, builder_.FixQuality(),
                  builder_.Satellites(), RadToDeg(at.lat), RadToDeg(at.lon));
    Line(seconds) << text;
  }

  std::ostream& out_;
  NmeaParser parser_{false};
  ObdChannelTable no_obd_;
  SampleBuilder builder_{no_obd_};
  std::array<int64_t, kSentenceTypeCount> counts_{};
};

}  // namespace

int RunGpsCommand(const std::string& source_text, int32_t seconds, std::ostream& out,
                  std::ostream& err) {
  SourceConfig config;
  std::string error;
  if (!ParseSourceArgument(source_text, kSourceGps, &config, &error)) {
    err << error << '\n';
    return 2;
  }
  GpsPrinter printer(out);
  const bool connected = RunSource(config, seconds, printer);
  printer.PrintCounts();
  if (!connected) err << "Could not reach the GPS receiver.\n";
  return connected ? 0 : 1;
}

void AddGpsCommand(CLI::App& cli, const GlobalOptions& /*globals*/, CommandList& commands) {
  struct Options {
    std::string source;
    int32_t seconds = 0;
  };
  auto options = std::make_shared<Options>();
  CLI::App* command =
      cli.add_subcommand("gps", "Check a GPS receiver: connection states, sentences and fixes");
  command
      ->add_option("SOURCE", options->source,
                   "file:PATH, serial:DEVICE[:BAUD], bt:ADDRESS[:CHANNEL] or gpsd[:HOST[:PORT]]")
      ->required();
  command
      ->add_option("--seconds", options->seconds,
                   "Stop after N seconds (default: until Ctrl-C or the end)")
      ->check(WholeWithin(0, 604800));
  commands.Add(command, [options] {
    return RunGpsCommand(options->source, options->seconds, std::cout, std::cerr);
  });
}

}  // namespace kv::app
