// DataSourceListener: where a data source delivers what its reader thread
// collected. Called on the main thread from the source's Signalled.
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

enum SourceId : int32_t {
  kSourceGps = 0,
  kSourceObd = 1,  // delivers $KVOBD sentences made by the OBD-II reader
  kSourceThird = 2,
  kSourceCount = 3,
};

enum class SourceState {
  kStopped,
  kConnecting,
  kConnected,
  kLost,    // connection failed or dropped; Bluetooth retries after a pause
  kFailed,  // error -2 was reported; stays stopped
};

class DataSourceListener {
 public:
  virtual ~DataSourceListener() = default;
  // The bytes received since the last call.
  virtual void OnData(std::string_view text, int32_t source_id) = 0;
  // The connection state of a source changed.
  virtual void OnStateChange(int32_t source_id, SourceState state) = 0;
};

}  // namespace kv
