// `korvatinel gps SOURCE [--seconds N]`: a receiver check. Connects to the
// source and prints the connection states, the sentence counts and each
// fix as it arrives. Warns when RMC arrives without GGA: such a receiver
// gives no samples until GGA is switched on in it.
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>

#include "acquisition/nmea_parser.h"
#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/source_command.h"

namespace kv::app {

namespace {

// RMC sentences in a row, without a GGA between them, before the warning.
constexpr int64_t kRmcBeforeWarning = 5;

class GpsPrinter final : public SourceWatcher {
 public:
  explicit GpsPrinter(std::ostream& out) : out_(out) {}

  void OnState(SourceState state, double seconds) override { Line(seconds) << "state " << StateName(state) << '\n'; }

  void OnText(std::string_view text, double seconds) override {
    parser_.Append(text);
    while (parser_.NextSentence()) {
      const FixRecord& fix = parser_.Fix();
      ++counts_[static_cast<size_t>(fix.type)];
      if (fix.type == kSentenceGga) {
        PrintFix(fix, seconds);
        rmc_since_gga_ = 0;
      }
      if (fix.type == kSentenceRmc) ++rmc_since_gga_;
      if (!warned_ && rmc_since_gga_ >= kRmcBeforeWarning) {
        warned_ = true;
        Line(seconds) << "warning: RMC arrives without GGA; this receiver gives no samples until GGA is "
                         "enabled on it\n";
      }
    }
  }

  void PrintCounts() {
    static constexpr const char* kNames[] = {"other", "RMC", "GGA", "GSA", "GSV", "VTG", "ZDA", "OBD", "ACC"};
    out_ << "sentences:";
    for (size_t t = 0; t < counts_.size(); ++t) out_ << ' ' << kNames[t] << ' ' << counts_[t];
    out_ << '\n';
  }

 private:
  std::ostream& Line(double seconds) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.1f s  ", seconds);
    return out_ << stamp;
  }

  void PrintFix(const FixRecord& fix, double seconds) {
    char text[160];
    const int32_t t = fix.time;
    std::snprintf(text, sizeof text, "fix %02d:%02d:%02d.%03d quality %d satellites %d", t / 3600000,
                  t / 60000 % 60, t / 1000 % 60, t % 1000, fix.fix_quality, fix.satellites);
    Line(seconds) << text;
    if (fix.valid.latitude && fix.valid.longitude) {
      std::snprintf(text, sizeof text, " position %.5f %.5f", fix.latitude, fix.longitude);
      out_ << text;
    }
    out_ << '\n';
  }

  std::ostream& out_;
  NmeaParser parser_{false};
  std::array<int64_t, 9> counts_{};
  int64_t rmc_since_gga_ = 0;  // a single GGA at power-up does not make a sample stream
  bool warned_ = false;
};

}  // namespace

int RunGpsCommand(const std::string& source_text, int32_t seconds, std::ostream& out, std::ostream& err) {
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
  CLI::App* command = cli.add_subcommand("gps", "Check a GPS receiver: connection states, sentences and fixes");
  command->add_option("SOURCE", options->source,
                      "file:PATH, serial:DEVICE[:BAUD], bt:ADDRESS[:CHANNEL] or gpsd[:HOST[:PORT]]")
      ->required();
  command->add_option("--seconds", options->seconds, "Stop after N seconds (default: until Ctrl-C or the end)")
      ->check(WholeWithin(0, 604800));
  commands.Add(command, [options] { return RunGpsCommand(options->source, options->seconds, std::cout, std::cerr); });
}

}  // namespace kv::app
