// Which OBD-II channels a recording polls, and how the command line names
// them.
//
// A channel is named by its channel number ("24") or by a word made from
// its name: lower case, every run of other characters one "-" ("RPM" ->
// "rpm", "Throttle position" -> "throttle-position", "Calc. engine load"
// -> "calc-engine-load"), in any letter case. The start of a word is
// enough when it fits one channel only ("throttle", "coolant").
//
// The choice, in order: the command line's lists; else the settings'
// "High priority channels" and "Low priority channels"; else, so that a
// recording with an adapter never logs nothing, engine speed and throttle
// position (the two engine columns of the CSV export) at high priority,
// narrowed to those the adapter's support bitmap names once it has come.
//
// Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/data_source.h"
#include "acquisition/obd_channels.h"
#include "storage/settings.h"

namespace kv::app {

inline constexpr int32_t kDefaultObdChannels[] = {24, 25};  // RPM, throttle position

struct ObdChannelChoice {
  std::vector<int32_t> high, low;  // channel numbers
  bool is_default = false;
};

std::string ObdChannelWord(int32_t channel);

// The channel numbers of a comma-separated list of names and numbers;
// false with a message (listing the valid names) for a piece that names
// no channel or more than one.
bool ParseObdChannels(std::string_view text, const ObdChannelTable& table, std::vector<int32_t>* channels,
                      std::string* error);

// The command line's lists when either is given, else as described above
// (numbers in the settings that name no OBD-II channel are left out).
ObdChannelChoice ChooseObdChannels(std::vector<int32_t> high, std::vector<int32_t> low, const Settings& settings);

// Hands the PIDs of the choice to the source (priority 2 high, 1 low);
// channels the table does not know are skipped.
void ApplyObdChannels(const ObdChannelChoice& choice, const ObdChannelTable& table, DataSourceControl& source);

// For a default choice once the table knows what the vehicle supports:
// the choice without the channels it lacks. False (nothing changed) while
// the support is unknown or the choice is not the default.
bool NarrowToSupported(const ObdChannelTable& table, ObdChannelChoice* choice);

// "RPM, Throttle position"
std::string ChannelNames(const std::vector<int32_t>& channels);
// "OBD-II channels polled: RPM; now and then: Coolant temperature", and
// for the default what it becomes.
std::string ChoiceText(const ObdChannelChoice& choice);

}  // namespace kv::app
