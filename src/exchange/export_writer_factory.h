// The format writers, one per file, and the factory that picks one for an
// export type. Main thread.
#pragma once

#include <memory>

#include "exchange/export_job.h"

namespace kv {

// nullptr for kDbn, which has no writer.
std::unique_ptr<ExportWriter> MakeExportWriter(ExportType type, const SessionData& session);

std::unique_ptr<ExportWriter> MakeCsvWriter(const SessionData& session);
std::unique_ptr<ExportWriter> MakeVboWriter();
std::unique_ptr<ExportWriter> MakeDatWriter();
std::unique_ptr<ExportWriter> MakeGpxWriter();
std::unique_ptr<ExportWriter> MakeKmlWriter();

}  // namespace kv
