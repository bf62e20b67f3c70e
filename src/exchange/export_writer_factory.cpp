#include "exchange/export_writer_factory.h"

namespace kv {

std::unique_ptr<ExportWriter> MakeExportWriter(ExportType type, const SessionData& session) {
  switch (type) {
    case ExportType::kCsv: return MakeCsvWriter(session);
    case ExportType::kVbo: return MakeVboWriter();
    case ExportType::kDat: return MakeDatWriter();
    case ExportType::kGpx: return MakeGpxWriter();
    case ExportType::kKml: return MakeKmlWriter();
    case ExportType::kDbn: return nullptr;
  }
  return nullptr;
}

}  // namespace kv
