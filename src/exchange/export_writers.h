// The five format writers behind MakeExportWriter. Main thread.
#pragma once

#include <memory>

#include "exchange/export_job.h"

namespace kv {

std::unique_ptr<ExportWriter> MakeCsvWriter(const SessionData& session);
std::unique_ptr<ExportWriter> MakeVboWriter();
std::unique_ptr<ExportWriter> MakeDatWriter();
std::unique_ptr<ExportWriter> MakeGpxWriter();
std::unique_ptr<ExportWriter> MakeKmlWriter();

}  // namespace kv
