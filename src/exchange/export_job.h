// ExportJob: writes a loaded session to one of the other tools' formats
// (CSV, VBO, DAT, GPX, KML) in steps, so the caller can show progress
// between them: the header, then one lap (lap scopes) or up to 1024
// samples (the traveled route) a step, then the footer.
//
// What a scope exports:
//   best lap / selected lap / all laps: each finished lap of the scope in
//     lap order (the optimal lap when the selection is kSelectOptimal);
//     the text formats write the samples from 20 before the lap's first
//     sample to 20 after its last, never a sample at or before the last one
//     already written, so adjacent laps share no sample;
//   traveled route: every sample of the session.
// Samples without a position are never written: no format can place them.
//
// Errors, checked by Start() in this order before the file is created:
// kExportNothing (5) when the scope has nothing to export, kExportNoFolder
// (4) when the export folder cannot be made, kExportNoSpace (8) when the
// medium's free kB are not above the estimate. A failed write or close
// ends the job with Error() kErrCannotOpen (-8). The file takes the
// place of an earlier one only when complete: a job that fails or is
// destroyed before its last step leaves the earlier file untouched.
//
// The session must outlive the job and stay unchanged while it runs.
// Main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "session/session_data.h"
#include "storage/data_file.h"
#include "storage/storage_paths.h"
#include "util/byte_string.h"
#include "util/version.h"

namespace kv {

// Stored in settings: do not renumber (2 is the unsupported DBN export).
enum class ExportType : int32_t { kKml = 0, kCsv = 1, kDbn = 2, kVbo = 3, kDat = 4, kGpx = 5 };
enum class ExportScope : int32_t { kBestLap = 0, kSelectedLap = 1, kAllLaps = 2, kRoute = 3 };
// "Standard" (, and .), "Semi-column+comma" (; and ,), "Semi-column+dot" (; and .).
enum class CsvSeparators : int32_t { kStandard = 0, kSemicolonComma = 1, kSemicolonDot = 2 };

inline constexpr int32_t kExportNoFolder = 4;
inline constexpr int32_t kExportNothing = 5;
inline constexpr int32_t kExportNoSpace = 8;

// Samples written before and after each lap by the text formats.
inline constexpr int32_t kLapMarginSamples = 20;
// Samples of the traveled route per step.
inline constexpr int32_t kRouteStepSamples = 1024;
inline constexpr int32_t kExportBufferBytes = 10240;

// Our own product's address, written into every file's generator field.
inline constexpr std::string_view kHomePage = "https://korvatinel.org/";
inline constexpr std::string_view kExportVersion = kProgramVersion;

struct ExportOptions {
  ExportType type = ExportType::kCsv;
  ExportScope scope = ExportScope::kBestLap;
  int32_t selected_lap = 0;  // lap index, or LapList::kSelectOptimal
  CsvSeparators csv = CsvSeparators::kStandard;
};

// One lap of a scope; index is LapList::kSelectOptimal for the optimal lap.
struct ExportLap {
  const Lap* lap = nullptr;
  int32_t index = 0;
};

// The finished laps of the scope in lap order; empty for the route scope
// and when the scope has none.
std::vector<ExportLap> ScopeLaps(const LapList& laps, const ExportOptions& options);
// "Best lap (Lap #3)", "Lap #3", "Optimal lap", "All laps", "Traveled route".
std::string ScopeText(const ExportOptions& options, const std::vector<ExportLap>& laps);
// "-best-lap-3", "-lap-3", "-optimal-lap", "-all-laps", "-route".
std::string ScopeFilePart(const ExportOptions& options, const std::vector<ExportLap>& laps);
FileKind ExportFileKind(ExportType type);
// Bytes a sample is assumed to take in the free-space check.
int32_t EstimatedBytesPerSample(ExportType type);

// What the writers share while a job runs. Writers append to `out`; the
// job hands it to the file after each step.
struct ExportContext {
  const SessionData& session;
  ExportOptions options;
  std::vector<ExportLap> laps;
  std::string scope_text;
  ByteString out;
  int32_t last_written = -1;  // sample index, across laps
  int32_t first_time = kNotSet;  // time of the first sample written (DAT)

  // The sample ranges [first, last] of a lap for the text formats, with the
  // margins, clipped to the list and to after the last written sample;
  // last_written moves on. *continues: the window reached back into the
  // samples already written.
  std::vector<std::pair<int32_t, int32_t>> LapWindow(const ExportLap& lap, bool* continues);
};

// One format. Each call appends complete lines to context.out.
class ExportWriter {
 public:
  virtual ~ExportWriter() = default;
  virtual void Header(ExportContext& c) = 0;
  virtual void WriteLap(ExportContext& c, const ExportLap& lap) = 0;
  virtual void RouteBegin(ExportContext&) {}
  // Samples [from, to) of the session.
  virtual void RouteSamples(ExportContext& c, int32_t from, int32_t to) = 0;
  virtual void RouteEnd(ExportContext&) {}
  virtual void Footer(ExportContext&) {}
};

class ExportJob {
 public:
  ExportJob(const SessionData& session, ExportOptions options);
  ~ExportJob();
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  // The checks (free space of the export folder's medium) and the file's
  // creation; 0 when the job can run, else the error.
  int32_t Start();
  // The same with the free space given (kB).
  int32_t Start(uint32_t free_kb);
  // One step; true while more remains. Error() tells whether it failed.
  bool Step();
  int32_t Percent() const;
  int32_t Error() const { return error_; }
  const std::string& Path() const { return path_; }
  // Runs Start() and every step; 0 or the error.
  int32_t RunAll();

 private:
  void Flush();
  ExportContext context_;
  std::unique_ptr<ExportWriter> writer_;
  DataFile file_;
  std::string path_;
  int32_t items_ = 0;       // laps, or route steps
  int32_t next_item_ = -1;  // -1: the header comes next
  bool done_ = false;
  int32_t error_ = 0;
};

}  // namespace kv
