// `korvatinel obd SOURCE [--pids 0C,0D,...] [--seconds N]`: polls an OBD-II
// adapter and prints each decoded value as it arrives.
// `korvatinel obd channels SOURCE [--seconds N]`: the channels the vehicle
// supports, by its support bitmaps, with the names `record --obd-channels` takes.
#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/obd_channel_choice.h"
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

// Asks for the support bitmaps of PIDs 20 and 40 too (the engine asks for
// 00 by itself) and is done once each bitmap the one before announces (by
// its lowest bit) has come.
class SupportWatcher final : public SourceWatcher {
 public:
  void OnConnected(DataSource& source) override {
    source.ClearChannels();
    source.AddChannel(0x20, 2);
    source.AddChannel(0x40, 2);
  }
  void OnState(SourceState state, double) override {
    if (state == SourceState::kConnected) return;
    table_.Reset();
    masks_ = {};
  }
  void OnText(std::string_view text, double) override {
    parser_.Append(text);
    while (parser_.NextSentence()) {
      if (parser_.Fix().type != kSentenceObd) continue;
      const ObdSample& s = parser_.Fix().obd;
      int32_t raw = 0;
      table_.Decode(s, &raw);
      if (!s.valid || s.byte_count < 6 || s.bytes[0] != 0x41 || s.bytes[1] != s.pid || s.pid % 0x20 != 0 ||
          s.pid > 0x40)
        continue;
      uint32_t mask = 0;
      for (size_t i = 2; i < 6; ++i) mask = mask << 8 | s.bytes[i];
      masks_[s.pid / 0x20] = mask;
    }
  }
  bool Done() const override {
    for (const std::optional<uint32_t>& mask : masks_) {
      if (!mask) return false;
      if ((*mask & 1) == 0) return true;
    }
    return true;
  }
  bool AnyBitmap() const { return masks_[0].has_value(); }
  const ObdChannelTable& Table() const { return table_; }

 private:
  NmeaParser parser_{false};
  ObdChannelTable table_;
  std::array<std::optional<uint32_t>, 3> masks_;
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

int RunObdChannelsCommand(const std::string& source_text, int32_t seconds, std::ostream& out, std::ostream& err) {
  SourceConfig config;
  std::string error;
  if (!ParseSourceArgument(source_text, kSourceObd, &config, &error)) {
    err << error << '\n';
    return 2;
  }
  SupportWatcher watcher;
  if (!RunSource(config, seconds, watcher)) {
    err << "Could not reach the OBD-II reader.\n";
    return 1;
  }
  if (!watcher.AnyBitmap()) {
    err << "The adapter named no supported PIDs (no reply to \"01 00\").\n";
    return 1;
  }
  out << "Channels the vehicle supports (number, name for --obd-channels, PID):\n";
  const ObdChannelTable& table = watcher.Table();
  for (int32_t i = 0; i < table.Count(); ++i) {
    const ObdChannel& c = table.At(i);
    if (c.support != ObdSupport::kYes) continue;
    char line[96];
    std::snprintf(line, sizeof line, "%4d  %-26s %02X  ", c.channel, ObdChannelWord(c.channel).c_str(), c.pid);
    out << line << ChannelNames({c.channel}) << '\n';
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
  command->add_option("SOURCE", options->source, "serial:DEVICE[:BAUD] or bt:ADDRESS[:CHANNEL]");
  command->add_option("--pids", options->pids, "PIDs to poll, hexadecimal, comma-separated (default 0C,0D)");
  command->add_option("--seconds", options->seconds, "Stop after N seconds (default: until Ctrl-C)")
      ->check(WholeWithin(0, 604800));
  CLI::App* channels = command->add_subcommand("channels", "List the channels the vehicle supports");
  auto channel_options = std::make_shared<Options>();
  channel_options->seconds = 10;
  channels->add_option("SOURCE", channel_options->source, "serial:DEVICE[:BAUD] or bt:ADDRESS[:CHANNEL]")->required();
  channels->add_option("--seconds", channel_options->seconds, "Give up after N seconds (default 10)")
      ->check(WholeWithin(1, 3600));
  // Before the command itself, which counts as parsed too.
  commands.Add(channels, [channel_options] {
    return RunObdChannelsCommand(channel_options->source, channel_options->seconds, std::cout, std::cerr);
  });
  commands.Add(command, [options] {
    if (options->source.empty()) {
      std::cerr << "obd: SOURCE is required (or: obd channels SOURCE)\n";
      return 2;
    }
    return RunObdCommand(options->source, options->pids, options->seconds, std::cout, std::cerr);
  });
}

}  // namespace kv::app
