#include "exchange/export_session.h"

#include <cmath>

#include "support/session_pipeline.h"
#include "support/track_simulator.h"
#include "timing/geodesy.h"

namespace kv::testing {

namespace {

SessionHeader Header(const std::string& root) {
  SessionHeader h;
  h.base_name = WideString(u"20090521-1800");
  h.root = root;
  h.title = WideString(u"Evening \"test\" ]]> run \u00C4\u00E9\u2603 \x01 end");
  h.driver = WideString(u"J\u00E4rvi <fast> & \"quick\"");
  h.track = WideString(u"Sim ring ]]>");
  h.test = WideString(u"0-100 kph");
  h.notes = WideString(u"Line one\r\nline two; with, separators");
  h.created = DateTimeValue{DateTimeValue::MakeDay(2009, 5, 21), DateTimeValue::MakeTime(18, 0, 0, 0)};
  return h;
}

}  // namespace

std::unique_ptr<SessionData> MakeSimulatedSession(const std::string& root) {
  sim::SimConfig config;
  config.circuit = sim::RoundedRectangle(6);
  config.rate_hz = 2;
  config.laps = 3;
  config.start_time_ms = DateTimeValue::MakeTime(18, 52, 7, 250);
  config.start_offset_ms = -3000.0;
  config.lap_speed_factor = {1.0, 1.1, 0.95};
  sim::TrackSimulator simulator(config);
  TrapList traps(kTrapListGrowth);
  Trap start = simulator.TrapAt(0.0, kTrapStartFinish);
  start.name = WideString(u"Start/Finish");
  traps.Append(start);
  Trap split = simulator.TrapAt(420.0, kTrapSplit);
  split.name = WideString(u"Back \"straight\"");
  traps.Append(split);
  traps.Append(simulator.TrapAt(600.0, kTrapDisabled));

  sim::SessionPipeline pipeline(traps);
  pipeline.Feed(simulator.Nmea());
  std::vector<LogSample> samples;
  for (int32_t i = 0; i < pipeline.Samples().Count(); ++i) samples.push_back(pipeline.Samples()[i]);

  auto session = std::make_unique<SessionData>(Header(root), LapSettings{});
  session->SetTraps(traps);
  session->SetSamples(samples);
  // Engine speed (raw / 4 rpm) every 5 s from the 10th second, throttle
  // (raw / 2.55 %) once.
  std::vector<ObdRecord> obd;
  for (int32_t k = 0; k < 20; ++k)
    obd.push_back({config.start_time_ms + 10000 + k * 5000, static_cast<uint32_t>((3000 + 250 * k) * 4), 24});
  obd.push_back({config.start_time_ms + 20000, 204, 25});
  session->SetObdRecords(obd);
  session->Recompute();
  return session;
}

std::unique_ptr<SessionData> MakeSession(const std::string& root, const std::vector<LogSample>& samples) {
  auto session = std::make_unique<SessionData>(Header(root), LapSettings{});
  session->SetSamples(samples);
  session->Recompute();
  return session;
}

LogSample SampleAt(double lat_deg, double lon_deg, int32_t time, double mps, double heading_deg, double altitude) {
  LogSample s;
  s.time = time;
  s.position = IntPoint{static_cast<AngleValue>(std::llround(lat_deg * 6000000.0)),
                        static_cast<AngleValue>(std::llround(lon_deg * 6000000.0))};
  s.altitude = RadToAngleValue(MetresToRad(altitude));
  s.speed = MetresPerSecondToStored(mps);
  s.distance = 0;
  s.heading = std::isnan(heading_deg) ? LogSample::kNoWord : RadiansToHeadingWord(DegToRad(heading_deg));
  s.hdop = 120;
  s.vdop = 160;
  s.flags = 7;
  return s;
}

std::string Export(const SessionData& session, ExportOptions options, std::string* path) {
  ExportJob job(session, options);
  const int32_t start = job.Start(0xFFFFFFFFu);
  if (start != 0) return std::string("error ").append(std::to_string(start));
  while (job.Step()) {
  }
  if (job.Error() != 0) return std::string("error ").append(std::to_string(job.Error()));
  if (job.Percent() != 100) return std::string("finished at ").append(std::to_string(job.Percent())).append("%");
  if (path != nullptr) *path = job.Path();
  return ReadWholeFile(job.Path());
}

}  // namespace kv::testing
