// DataSource: one connection to an external device (the GPS receiver,
// source id 0, or the OBD-II adapter, source id 1) with its own reader
// thread.
//
// The reader thread opens the transport, reads blocks of bytes and appends
// them to the pending text under the source's lock, waking the main thread
// only when the text goes from empty to non-empty, so a burst costs one
// wake-up. Signalled (main thread) takes the text and hands it to the
// DataSourceListener, with the connection state changes, in this order:
// a change to Connected is reported before the data that came with it; any
// other change after the data.
//
// A transport that cannot be opened when the source starts (no such device
// or file, nothing listening, no Bluetooth) ends the source as Failed, with
// OpenError() telling why: the driver must hear at once that nothing will
// be recorded. After a start that worked:
//   serial, gpsd  a loss is reopened after 500 ms, the pause doubling with
//           every attempt up to one every 5000 ms, and back to 500 ms once
//           a connection delivered data: a device that is back comes back
//           by itself, and a peer that accepts and closes at once is not
//           hammered;
//   Bluetooth  Lost, then a new connect after 5000 ms, for ever;
//   file    replayed once: 3000 ms, open, 1000 ms, then 256 bytes every
//           15 ms; a full pending text drops the block. The fast mode skips
//           the waits and reads as fast as the main thread takes the text,
//           dropping nothing (batch processing).
//   none    a thread that ends at once; the state stays 3.
//
// For the GPS source the reader thread also feeds a private GGA-only
// parser to keep the GpsClock running and to send the SiRF initialisation
// once; for the OBD-II source it runs the ObdEngine, whose $KVOBD sentences
// are the text handed over.
//
// Stop returns within 15000 ms in every state: every wait of the reader
// thread (read, connect, retry pause) also watches the stop event.
//
// Thread: the control operations and Signalled run on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_engine.h"
#include "core/data_source_listener.h"
#include "core/gps_clock.h"
#include "core/waitable_object.h"
#include "platform/byte_stream.h"
#include "platform/event.h"
#include "platform/thread.h"

namespace kv {

enum SourceTransport : int32_t {
  kTransportBluetooth = 0,
  kTransportNone = 1,
  kTransportSerial = 2,
  kTransportFile = 3,
  kTransportGpsd = 4,  // the operating system's GPS service ("Internal GPS")
};

// Where a source connects to. Only the fields of `transport` are used.
struct SourceConfig {
  SourceTransport transport = kTransportNone;
  int32_t source_id = kSourceGps;
  std::string device;                 // serial: a tty path
  int32_t baud_rate = 0;              // serial: bit/s, 0 keeps the port's rate
  platform::BluetoothAddress address{};  // Bluetooth
  int32_t channel = 1;                // Bluetooth: RFCOMM channel (low 8 bits)
  std::string path;                   // file
  bool fast = false;                  // file: batch mode
  std::string host = "localhost";     // gpsd
  int32_t port = 2947;                // gpsd
};

// The operations the screens use to run a source.
class DataSourceControl {
 public:
  virtual ~DataSourceControl() = default;
  virtual void StartBluetooth(DataSourceListener* listener, const platform::BluetoothAddress& address,
                              int32_t channel, int32_t source_id) = 0;
  // port_number: N of "COM%d:" (see platform::SerialDeviceForPort).
  virtual void StartSerial(DataSourceListener* listener, int32_t port_number, int32_t baud_rate,
                           int32_t source_id) = 0;
  virtual void StartFile(DataSourceListener* listener, const std::string& path) = 0;
  virtual void StartNone(DataSourceListener* listener, int32_t source_id) = 0;
  virtual void Stop() = 0;
  virtual void ResetGpsClock() = 0;
  // 2 Failed, 1 Connected, else 0.
  virtual int32_t GetStatus() const = 0;
  // The PIDs an OBD-II source polls. The choice is the source's, not the
  // connection's: it holds from before the start and across reconnections.
  virtual void ClearChannels() = 0;
  virtual void AddChannel(int32_t pid, int32_t priority) = 0;
};

class DataSource final : public WaitableObject, public DataSourceControl {
 public:
  static constexpr size_t kMaxPending = 102400;
  static constexpr size_t kReadBlock = 2048;
  static constexpr size_t kReplayBlock = 256;
  static constexpr size_t kFastReplayBlock = 16384;
  static constexpr int32_t kReplayOpenDelayMs = 3000;
  static constexpr int32_t kReplayStartDelayMs = 1000;
  static constexpr int32_t kReplayBlockPauseMs = 15;
  static constexpr int32_t kBluetoothRetryMs = 5000;
  static constexpr int32_t kFirstReopenPauseMs = 500;
  static constexpr int32_t kLongestReopenPauseMs = 5000;
  static constexpr int32_t kStopTimeoutMs = 15000;

  // host and clock must outlive the source. streams: the transports; null
  // gives the machine's real ones.
  DataSource(AppHost& host, GpsClock& clock, std::unique_ptr<platform::StreamFactory> streams = nullptr);
  ~DataSource() override;  // stops

  // Control interface.
  void StartBluetooth(DataSourceListener* listener, const platform::BluetoothAddress& address,
                      int32_t channel, int32_t source_id) override;
  void StartSerial(DataSourceListener* listener, int32_t port_number, int32_t baud_rate,
                   int32_t source_id) override;
  void StartFile(DataSourceListener* listener, const std::string& path) override;
  void StartNone(DataSourceListener* listener, int32_t source_id) override;
  void Stop() override;
  void ResetGpsClock() override;
  int32_t GetStatus() const override;
  void ClearChannels() override;
  void AddChannel(int32_t pid, int32_t priority) override;

  // Every start operation ends here; also for a serial device path, gpsd
  // and the fast replay. Does nothing while Connected. Throws
  // kErrThreadCreate when no thread can be made.
  void Start(DataSourceListener* listener, const SourceConfig& config);

  SourceState State() const { return state_.load(); }
  // errno of the last failed Bluetooth connect; 0 after a success.
  int32_t LastSocketError() const { return last_socket_error_.load(); }
  // Why the first open failed (an errno, negative when the transport
  // cannot exist here), once the source is Failed; 0 otherwise.
  int32_t OpenError() const { return open_error_.load(); }
  int32_t SourceIdValue() const { return config_.source_id; }
  // Bytes of a replayed file handed to the main thread since it was
  // opened (any thread): how far a replay has come.
  int64_t ReplayedBytes() const { return replayed_bytes_.load(); }

  // WaitableObject
  void Signalled() override;
  // -2 stops the source and marks it Failed; other codes are ignored.
  // Called by Signalled when the reader thread ended on an error code
  // (kErrOutOfMemory: the platform could not make a wait, an event or
  // memory for it), so the program goes on without that source.
  void OnError(int32_t code) override;

 private:
  void ThreadMain();
  // Opens the transport and runs it until the source stops; false when it
  // could not be opened at the start.
  bool RunTransport();
  // Each returns false when the transport could not be opened at the start
  // (OpenError() set).
  bool RunReopening(platform::ByteStream& stream);
  bool RunBluetooth();
  bool RunFile();
  // The first open: 0, or the error, kept as OpenError() unless the
  // source is being stopped.
  int32_t OpenFirst(platform::ByteStream& stream);
  // Reads and handles blocks until the stream is lost or the source stops;
  // true when any data arrived.
  bool Pump(platform::ByteStream& stream);
  void HandleBlock(std::string_view block);
  // Connected: fresh texts, engine started.
  void BeginConnection();
  // The private parser or the engine starts over.
  void ResetProtocol();
  // Gives the engine the chosen PIDs again (it forgets them on a reset).
  void ApplyChannelsLocked();
  void Publish(SourceState state);
  bool Stopping() const { return stop_flag_.load(); }

  GpsClock& clock_;
  std::unique_ptr<platform::StreamFactory> streams_;
  SourceConfig config_;
  DataSourceListener* listener_ = nullptr;

  mutable std::mutex lock_;  // guards the texts, the parser and the engine
  std::string outgoing_;
  std::string incoming_;
  std::unique_ptr<NmeaParser> parser_;
  std::unique_ptr<ObdEngine> engine_;
  std::vector<std::pair<int32_t, int32_t>> channels_;  // (PID, priority), in order

  std::string main_copy_;  // main thread only
  SourceState reported_state_ = SourceState::kStopped;
  std::atomic<SourceState> state_{SourceState::kStopped};
  std::atomic<bool> stop_flag_{true};
  std::atomic<int32_t> last_socket_error_{0};
  std::atomic<int32_t> open_error_{0};
  std::atomic<int64_t> replayed_bytes_{0};
  std::atomic<int32_t> fatal_error_{0};  // thrown on the reader thread, for OnError
  platform::Event stop_event_;
  platform::Event drained_;  // set by Signalled after taking the text (fast replay)
  std::unique_ptr<platform::Thread> thread_;
};

}  // namespace kv
