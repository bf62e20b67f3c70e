// `korvatinel obd SOURCE [--pids 0C,0D,...] [--seconds N]`: polls an OBD-II
// adapter and prints each decoded value as it arrives.
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/source_command.h"

namespace kv::app {

namespace {

const char* UnitText(int32_t unit_kind) {
  switch (unit_kind) {
    case kUnitTime: return "s";
    case kUnitDistance: return "m";
    case kUnitSpeed: return "m/s";
    case kUnitPercent: return "%";
    case kUnitTemperature: return "C";
    case kUnitRpm: return "rpm";
    case kUnitPressure: return "kPa";
    case kUnitAngle: return "deg";
    case kUnitMassFlow: return "g/s";
    case kUnitVoltage: return "V";
    default: return "";
  }
}

class ObdPrinter final : public SourceWatcher {
 public:
  ObdPrinter(std::ostream& out, std::vector<int32_t> pids) : out_(out), pids_(std::move(pids)) {}

  void OnConnected(DataSource& source) override {
    source.ClearChannels();
    for (int32_t pid : pids_) source.AddChannel(pid, 2);
  }
  void OnState(SourceState state, double seconds) override {
    Line(seconds) << "state " << StateName(state) << '\n';
    if (state != SourceState::kConnected) table_.Reset();
  }
  void OnText(std::string_view text, double seconds) override {
    parser_.Append(text);
    while (parser_.NextSentence()) {
      if (parser_.Fix().type != kSentenceObd) continue;
      const ObdSample& sample = parser_.Fix().obd;
      int32_t raw = 0;
      char line[120];
      if (table_.Decode(sample, &raw)) {
        const ObdChannel& channel = *table_.ForPid(static_cast<int32_t>(sample.pid));
        std::snprintf(line, sizeof line, "PID %02X  %.3f %s  (raw %d)\n", sample.pid,
                      ObdChannelTable::Value(channel, raw), UnitText(channel.unit_kind), raw);
      } else if (sample.pid == 0x00 && sample.valid) {
        std::snprintf(line, sizeof line, "PID 00  support bitmap received\n");
      } else {
        std::snprintf(line, sizeof line, "PID %02X  no value\n", sample.pid);
      }
      Line(seconds) << line;
    }
  }

 private:
  std::ostream& Line(double seconds) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.1f s  ", seconds);
    return out_ << stamp;
  }

  std::ostream& out_;
  std::vector<int32_t> pids_;
  NmeaParser parser_{false};
  ObdChannelTable table_;
};

bool ParsePids(const std::string& text, std::vector<int32_t>* pids) {
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = std::min(text.find(',', at), text.size());
    const std::string piece = text.substr(at, comma - at);
    char* end = nullptr;
    const long pid = std::strtol(piece.c_str(), &end, 16);
    if (piece.empty() || piece.size() > 2 || *end != '\0' || pid < 0) return false;
    pids->push_back(static_cast<int32_t>(pid));
    at = comma + 1;
  }
  return !pids->empty();
}

}  // namespace

int RunObdCommand(const std::string& source_text, const std::string& pid_text, int32_t seconds, std::ostream& out,
                  std::ostream& err) {
  SourceConfig config;
  std::string error;
  if (!ParseSourceArgument(source_text, kSourceObd, &config, &error)) {
    err << error << '\n';
    return 2;
  }
  std::vector<int32_t> pids;
  if (!ParsePids(pid_text, &pids)) {
    err << "--pids takes hexadecimal PIDs separated by commas, e.g. 0C,0D\n";
    return 2;
  }
  ObdPrinter printer(out, pids);
  if (!RunSource(config, seconds, printer)) {
    err << "Could not reach the OBD-II reader.\n";
    return 1;
  }
  return 0;
}

void AddObdCommand(CLI::App& cli, const GlobalOptions& /*globals*/, CommandList& commands) {
  struct Options {
    std::string source;
    std::string pids = "0C,0D";
    int32_t seconds = 0;
  };
  auto options = std::make_shared<Options>();
  CLI::App* command = cli.add_subcommand("obd", "Poll an OBD-II adapter and print the decoded values");
  command->add_option("SOURCE", options->source, "serial:DEVICE[:BAUD] or bt:ADDRESS[:CHANNEL]")->required();
  command->add_option("--pids", options->pids, "PIDs to poll, hexadecimal, comma-separated (default 0C,0D)");
  command->add_option("--seconds", options->seconds, "Stop after N seconds (default: until Ctrl-C)")
      ->check(WholeWithin(0, 604800));
  commands.Add(command, [options] {
    return RunObdCommand(options->source, options->pids, options->seconds, std::cout, std::cerr);
  });
}

}  // namespace kv::app
