#include "acquisition/source_status.h"

#include "util/string_table.h"

namespace kv {

namespace {

int32_t FromSource(const DataSourceControl& source) {
  switch (source.GetStatus()) {
    case 2: return 4;
    case 1: return 3;
    default: return 1;
  }
}

}  // namespace

int32_t GpsStatusCode(const DataSourceControl* gps, const SourceUse& use) {
  if (!gps || !(use.gps || use.obd_via_gps)) return 0;
  return FromSource(*gps);
}

int32_t ObdStatusCode(const DataSourceControl* gps, const DataSourceControl* obd, const SourceUse& use) {
  if (obd && use.obd) return FromSource(*obd);
  if (gps && use.obd_via_gps) return FromSource(*gps);
  return 0;
}

int32_t LiveGpsCode(int32_t gps_status, int32_t fix_quality) {
  switch (gps_status) {
    case 4: return 6;
    case 3:
      if (fix_quality == 0) return 3;
      return fix_quality == 2 ? 5 : 4;
    default: return gps_status;
  }
}

WideString SourceStatusText(int32_t live_gps_code, int32_t obd_status, int32_t satellites) {
  if (live_gps_code == 6) return Load(kStrStatusMemoryFull);
  if (live_gps_code == 1) return Load(kStrStatusNoGpsConnection);
  if (obd_status == 1) return Load(kStrStatusNoObdConnection);
  if (live_gps_code == 2) return Load(kStrStatusNoGpsData);
  if (obd_status == 2) return Load(kStrStatusNoObdData);
  switch (live_gps_code) {
    case 3: return FormatN(kStrGpsNoFixCount, satellites);
    case 4: return FormatN(kStrGpsFixed, satellites);
    case 5: return FormatN(kStrGpsFixedDgps, satellites);
    default: return WideString();
  }
}

WideString ConnectingText(int32_t source_id, std::u16string_view device_name) {
  const bool obd = source_id == kSourceObd;
  if (device_name.empty()) return Load(obd ? kStrConnectingObd : kStrConnectingGps);
  return FormatU(obd ? kStrConnectingObdNamed : kStrConnectingGpsNamed, device_name);
}

WideString RetryText(int32_t source_id) { return Load(source_id == kSourceObd ? kStrRetryObd : kStrRetryGps); }

}  // namespace kv
