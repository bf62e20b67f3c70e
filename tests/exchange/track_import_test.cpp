// Track import from the two other loggers' text formats: the traps made
// and where reading stops (the track command tests read the files).
#include "exchange/track_import.h"

#include <gtest/gtest.h>

#include "timing/geodesy.h"
#include "timing/trap.h"

namespace kv {
namespace {

TEST(TrackImport, DsfStartFinishLines) {
  TrackProfile p;
  const std::string text =
      "[SF]\r\n5026.1234,-557.5000,271.5\r\n\r\n[SPLIT]\r\n5026.0,557.0,10\r\n[SF]\r\n5027.0000,557.0000,90\r\n";
  ASSERT_EQ(ImportTrackText(text, TrackImportFormat::kDsf, p), 0);
  ASSERT_EQ(p.traps.Count(), 2) << "only [SF] makes a trap";
  const Trap t = MakeTrap(p.traps[0]);
  EXPECT_EQ(t.line_type, kTrapStartFinish);
  EXPECT_EQ(t.name.AsView(), u"Start/Finish");
  EXPECT_EQ(t.position.lat, 50 * 6000000 + 2612340);
  EXPECT_EQ(t.position.lon, -(5 * 6000000 + 5750000)) << "the sign is kept";
  EXPECT_NEAR(BearingToDegrees(t.bearing), 271.5, 1e-9);
  EXPECT_NEAR(RadToMetres(t.width), 50.0, 1e-9);
  EXPECT_EQ(t.unidirectional, 1);

  TrackProfile bad;
  EXPECT_EQ(ImportTrackText("[SF]\r\n5026.1,557.5,1\r\n[SF]\r\n5026.1,abc\r\n[SF]\r\n1,2,3\r\n",
                            TrackImportFormat::kDsf, bad),
            kImportErrBadData);
  EXPECT_EQ(bad.traps.Count(), 1) << "reading stops at the bad line";
}

TEST(TrackImport, LapHeadersEndsAndSuffix) {
  TrackProfile p;
  const std::string text = std::string("[Start Finish \xAC Main straight]\r\n") +
                           "300000000 36000000 300001000 36000000\r\n" + "[Finish]\r\n" +
                           "300000000 36000000 300000000 36001000\r\n" + "[Sector \xAC T1]\r\n" +
                           "0 36000000 300000000 36001000\r\n";
  ASSERT_EQ(ImportTrackText(text, TrackImportFormat::kLap, p), 0);
  ASSERT_EQ(p.traps.Count(), 2) << "a 0 means no value: no trap";
  EXPECT_EQ(p.traps[0].line_type, kTrapStartFinish);
  EXPECT_EQ(p.traps[0].name.AsView(), u"Main straight");
  EXPECT_EQ(p.traps[1].line_type, kTrapFinish);
  EXPECT_EQ(p.traps[1].name.AsView(), u"Finish");
  // End A south of end B: the line is crossed heading east (bearing 90).
  EXPECT_NEAR(p.traps[0].bearing, kPi / 2, 1e-6);
  EXPECT_EQ(p.traps[0].position, (IntPoint{300000500, 36000000}));
  EXPECT_NEAR(MakeTrap(p.traps[0]).end_a.lat, 300000500 - 1349, 2) << "end A on the side the file put it, 25 m out";
  EXPECT_EQ(ImportTrackText("[x]\r\n1 2 x 4\r\n", TrackImportFormat::kLap, p), kImportErrBadData);
  TrackImportFormat format;
  EXPECT_TRUE(ImportFormatOf("SPA.LAP", &format) && format == TrackImportFormat::kLap) << "the suffix in any case";
  EXPECT_FALSE(ImportFormatOf("spa.txt", &format));
}

}  // namespace
}  // namespace kv
