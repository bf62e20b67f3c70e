#include "storage/settings.h"

#include "storage/binary_strings.h"
#include "storage/data_file.h"
#include "storage/record_reader.h"
#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/little_endian.h"
#include "util/utf_convert.h"

namespace kv {

namespace {

constexpr int32_t kSettingsBuffer = 10240;

// Each Take* assigns only when the whole field was read, so a short file
// leaves the unread fields at their previous values.
struct FieldReader {
  RecordReader& r;
  bool Take16(int32_t& field) {
    const int32_t value = r.Read16();
    if (r.Ok()) field = value;
    return r.Ok();
  }
  bool Take32(uint32_t& field) {
    const uint32_t value = r.ReadU32();
    if (r.Ok()) field = value;
    return r.Ok();
  }
  bool TakePacked(WideString& field) {
    WideString value = r.ReadPackedString();
    if (r.Ok()) field = std::move(value);
    return r.Ok();
  }
  bool TakeUtf8(WideString& field) {
    WideString value = r.ReadUtf8String();
    if (r.Ok()) field = std::move(value);
    return r.Ok();
  }
  bool TakeAddress(BluetoothAddress& field) {
    BluetoothAddress value{};
    r.ReadRaw6(value.data());
    if (r.Ok()) field = value;
    return r.Ok();
  }
  bool TakeChannels(std::vector<uint32_t>& field) {
    const uint32_t count = r.ReadU32();
    if (!r.Ok()) return false;
    if (static_cast<uint64_t>(count) * 4 > static_cast<uint64_t>(r.Remaining())) {
      r.Fail();
      return false;
    }
    std::vector<uint32_t> value(count);
    for (uint32_t& channel : value) channel = r.ReadU32();
    field = std::move(value);
    return true;
  }
};

void PutAddress(ByteString& out, const BluetoothAddress& address) {
  for (const uint8_t byte : address) out.AppendUnit(static_cast<char>(byte));
}

void PutUtf8(ByteString& out, const WideString& text) {
  if (!AppendUtf8String(out, text)) ThrowCode(kErrStringTooLong);
}

void PutChannels(ByteString& out, const std::vector<uint32_t>& channels) {
  le::Append32(out, static_cast<uint32_t>(channels.size()));
  for (const uint32_t channel : channels) le::Append32(out, channel);
}

}  // namespace

std::string LibraryServerOf(const Settings& settings) {
  return settings.library_server.IsEmpty() ? std::string(kDefaultLibraryServer)
                                           : ToUtf8(settings.library_server.AsView()).Std();
}

void RememberNewSessionChoices(Settings& settings, std::u16string_view driver, uint32_t session_type,
                               int32_t save_nmea, std::u16string_view track, std::u16string_view test) {
  settings.last_driver = driver;
  settings.last_session_type = session_type;
  settings.save_nmea = save_nmea;
  if (session_type == 0) settings.last_track = track;
  if (session_type == 1) settings.last_test = test;
}

int32_t ParseSettings(std::string_view bytes, Settings& s) {
  RecordReader reader;
  reader.OpenBytes(bytes);
  FieldReader f{reader};
  int32_t ignored = 0;
  const bool all = f.Take16(ignored) && f.TakePacked(s.unnamed_text) && f.Take32(s.timer_backlight) &&
                   f.Take32(s.timer_decimals) && f.Take32(s.gps_type) && f.Take16(s.unnamed_short) &&
                   f.TakeAddress(s.gps_device) && f.TakeAddress(s.obd_device) && f.TakeAddress(s.third_device) &&
                   f.Take16(s.save_nmea) && f.Take32(s.hilo_threshold) && f.Take32(s.obd_type) &&
                   f.Take32(s.gps_baud) && f.Take32(s.obd_baud) && f.Take16(ignored) &&
                   f.TakeChannels(s.high_priority_channels) && f.TakeChannels(s.low_priority_channels) &&
                   f.Take16(s.units) && f.Take32(s.timer_orientation) && f.Take16(s.startup_warning) &&
                   f.TakeUtf8(s.last_driver) && f.TakeUtf8(s.last_track) && f.TakeUtf8(s.last_test) &&
                   f.Take32(s.last_session_type) && f.TakeUtf8(s.gps_device_name) &&
                   f.TakeUtf8(s.obd_device_name) && f.TakeUtf8(s.third_device_name) &&
                   f.Take32(s.braking_limit) && f.Take32(s.acceleration_limit) && f.Take16(s.unnamed_short_30) &&
                   f.Take32(s.gps_port) && f.Take32(s.obd_port) && f.TakeUtf8(s.storage_selection);
  // The flag only lives while the program runs; the internal receiver is
  // not offered on this system, so its stored choice falls back to Bluetooth.
  s.transient_flag = 0;
  if (s.gps_type == kGpsInternal) s.gps_type = kGpsBluetooth;
  s.reserved = 0;
  if (!all) return reader.Error();
  // Our own fields come after the ones every writer has, in the order they
  // were added; a file that ends before one of them is whole.
  const auto more = [&] { return reader.Position() < static_cast<int64_t>(bytes.size()); };
  if (more() && !(f.Take32(s.gps_channel) && f.Take32(s.obd_channel))) return reader.Error();
  if (more() && !f.Take32(s.predicted_difference)) return reader.Error();
  if (more() && !f.Take32(s.voice)) return reader.Error();
  if (more() && !f.TakeUtf8(s.library_server)) return reader.Error();
  s.trailing_bytes.assign(bytes.substr(static_cast<size_t>(reader.Position())));
  return 0;
}

ByteString SerializeSettings(const Settings& s) {
  ByteString out;
  le::Append16(out, s.transient_flag);
  if (!AppendPackedString(out, s.unnamed_text)) ThrowCode(kErrStringTooLong);
  le::Append32(out, s.timer_backlight);
  le::Append32(out, s.timer_decimals);
  le::Append32(out, s.gps_type);
  le::Append16(out, s.unnamed_short);
  PutAddress(out, s.gps_device);
  PutAddress(out, s.obd_device);
  PutAddress(out, s.third_device);
  le::Append16(out, s.save_nmea);
  le::Append32(out, s.hilo_threshold);
  le::Append32(out, s.obd_type);
  le::Append32(out, s.gps_baud);
  le::Append32(out, s.obd_baud);
  le::Append16(out, 0);
  PutChannels(out, s.high_priority_channels);
  PutChannels(out, s.low_priority_channels);
  le::Append16(out, s.units);
  le::Append32(out, s.timer_orientation);
  le::Append16(out, s.startup_warning);
  PutUtf8(out, s.last_driver);
  PutUtf8(out, s.last_track);
  PutUtf8(out, s.last_test);
  le::Append32(out, s.last_session_type);
  PutUtf8(out, s.gps_device_name);
  PutUtf8(out, s.obd_device_name);
  PutUtf8(out, s.third_device_name);
  le::Append32(out, s.braking_limit);
  le::Append32(out, s.acceleration_limit);
  le::Append16(out, s.unnamed_short_30);
  le::Append32(out, s.gps_port);
  le::Append32(out, s.obd_port);
  PutUtf8(out, s.storage_selection);
  le::Append32(out, s.gps_channel);
  le::Append32(out, s.obd_channel);
  le::Append32(out, s.predicted_difference);
  le::Append32(out, s.voice);
  PutUtf8(out, s.library_server);
  out.Append(s.trailing_bytes);
  return out;
}

SettingsLoad LoadSettings(const std::string& folder, Settings& settings) {
  RecordReader reader;
  if (!reader.Open(folder + std::string(kSettingsFileName))) return SettingsLoad::kNoFile;
  return ParseSettings(reader.Data(), settings) == 0 ? SettingsLoad::kRead : SettingsLoad::kCutShort;
}

void SaveSettings(const std::string& folder, const Settings& settings) {
  const ByteString bytes = SerializeSettings(settings);
  if (CreateDirectories(folder) == DirResult::kFailed) ThrowCode(kErrCannotOpen);
  DataFile file(folder + std::string(kSettingsFileName));
  file.CreateReplacing(kSettingsBuffer);
  file.WriteBytes(bytes.AsView());
  if (!file.Close()) ThrowCode(kErrCannotOpen, file.Error());
}

}  // namespace kv
