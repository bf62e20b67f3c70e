// The review commands: `laps`, `results`, `note` and `channels` on a
// recorded session, and what `record` prints at its end. They read (and
// `note` rewrites the header); they never take the single-instance guard,
// so they work while a session records.
#pragma once

#include <iosfwd>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "app/storage_context.h"
#include "session/session_loader.h"

namespace kv::app {

// Steps the loader, showing "Loading session..." as a bar on `progress`
// when it is a terminal; false (with the message printed) on an error.
bool LoadWithProgress(SessionLoader& loader, std::ostream& progress);

// The recorded session at that address (see session_address.h), loaded and
// timed; nullptr after a message on err, with *status (when given) the exit
// status: 2 for an ambiguous address, 1 otherwise.
std::unique_ptr<SessionData> LoadNamed(StorageContext& context, const std::string& name, std::ostream& err,
                                       int* status = nullptr);

// The lap table as `laps` prints it; with `difference`, each lap's time
// also against the lap it is compared with ("+0.412"; "*" when either is
// not a finished lap).
void PrintLapTable(const SessionData& session, std::ostream& out, bool difference = false);
// The `laps --json` document.
nlohmann::json LapsJson(const SessionData& session);

struct ReviewOptions {
  std::string data_dir;
  std::string session;
  bool json = false;
  std::string compare;   // best, optimal, N, OTHER:best, OTHER:optimal, OTHER:N
  std::string table = "sectors";
  std::string mode = "absolute";
  int32_t lap = 0;       // 1-based; 0 none
  bool invalid = false, valid = false;
  std::string text;
  bool has_text = false;
};

int RunLaps(const ReviewOptions& options, std::ostream& out, std::ostream& err);
int RunResults(const ReviewOptions& options, std::ostream& out, std::ostream& err);
int RunNote(const ReviewOptions& options, std::ostream& out, std::ostream& err);
int RunChannels(const ReviewOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::app
