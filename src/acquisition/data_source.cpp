#include "acquisition/data_source.h"

#include <utility>

#include "util/errors.h"

namespace kv {

DataSource::DataSource(AppHost& host, GpsClock& clock, std::unique_ptr<platform::StreamFactory> streams)
    : WaitableObject(host),
      clock_(clock),
      streams_(streams ? std::move(streams) : platform::MakeSystemStreamFactory()) {}

DataSource::~DataSource() { Stop(); }

void DataSource::StartBluetooth(DataSourceListener* listener, const platform::BluetoothAddress& address,
                                int32_t channel, int32_t source_id) {
  SourceConfig config;
  config.transport = kTransportBluetooth;
  config.address = address;
  config.channel = channel & 0xFF;
  config.source_id = source_id;
  Start(listener, config);
}

void DataSource::StartSerial(DataSourceListener* listener, int32_t port_number, int32_t baud_rate,
                             int32_t source_id) {
  SourceConfig config;
  config.transport = kTransportSerial;
  config.device = platform::SerialDeviceForPort(port_number);
  config.baud_rate = baud_rate;
  config.source_id = source_id;
  Start(listener, config);
}

void DataSource::StartFile(DataSourceListener* listener, const std::string& path) {
  SourceConfig config;
  config.transport = kTransportFile;
  config.path = path;
  config.source_id = kSourceGps;
  Start(listener, config);
}

void DataSource::StartNone(DataSourceListener* listener, int32_t source_id) {
  SourceConfig config;
  config.transport = kTransportNone;
  config.source_id = source_id;
  Start(listener, config);
}

void DataSource::Start(DataSourceListener* listener, const SourceConfig& config) {
  if (State() == SourceState::kConnected) return;
  // A source still trying to connect is restarted with the new parameters;
  // its old thread must be gone before the fields change under it.
  if (thread_) Stop();
  stop_event_.Reset();
  drained_.Reset();
  listener_ = listener;
  config_ = config;
  stop_flag_.store(false);
  open_error_.store(0);
  fatal_error_.store(0);
  state_.store(SourceState::kLost);
  // Counted as reported, so that every state the thread publishes differs
  // from it: a start that ends before the loop looks (a missing file) still
  // reports Stopped.
  reported_state_ = SourceState::kLost;
  thread_ = std::make_unique<platform::Thread>([this] { ThreadMain(); });
}

void DataSource::Stop() {
  stop_flag_.store(true);
  stop_event_.Set();
  if (thread_) {
    thread_->Join(kStopTimeoutMs);
    thread_.reset();
  }
}

void DataSource::ResetGpsClock() {
  std::lock_guard<std::mutex> guard(lock_);
  clock_.Reset();
}

int32_t DataSource::GetStatus() const {
  const SourceState state = state_.load();
  if (state == SourceState::kFailed) return 2;
  return state == SourceState::kConnected ? 1 : 0;
}

void DataSource::ClearChannels() {
  std::lock_guard<std::mutex> guard(lock_);
  channels_.clear();
  if (engine_) engine_->ClearChannels();
}

void DataSource::AddChannel(int32_t pid, int32_t priority) {
  if (priority == 0) return;
  std::lock_guard<std::mutex> guard(lock_);
  channels_.emplace_back(pid & 0xFF, priority);
  if (engine_) engine_->AddChannel(pid & 0xFF, priority);
}

void DataSource::ApplyChannelsLocked() {
  if (!engine_) return;
  engine_->ClearChannels();
  for (const auto& [pid, priority] : channels_) engine_->AddChannel(pid, priority);
}

void DataSource::Signalled() {
  if (const int32_t code = fatal_error_.exchange(0); code != 0) OnError(code);
  // Failed by OnError: already told, and nothing more comes.
  if (reported_state_ == SourceState::kFailed) return;
  SourceState state;
  {
    // Text and state are taken together. A state read after the lock is
    // released could be one published after more text arrived; reporting
    // "Stopped" with the older text would end a recording before the last
    // of the replay reached it.
    std::lock_guard<std::mutex> guard(lock_);
    main_copy_ = incoming_;
    incoming_.clear();
    state = state_.load();
  }
  drained_.Set();
  if (!listener_) return;
  const int32_t id = config_.source_id;
  if (state != reported_state_ && state == SourceState::kConnected) {
    reported_state_ = state;
    listener_->OnStateChange(id, state);
    if (!main_copy_.empty()) listener_->OnData(main_copy_, id);
    return;
  }
  if (!main_copy_.empty()) listener_->OnData(main_copy_, id);
  if (state != reported_state_) {
    reported_state_ = state;
    listener_->OnStateChange(id, state);
  }
}

void DataSource::OnError(int32_t code) {
  if (code != kErrOutOfMemory) return;
  Stop();
  state_.store(SourceState::kFailed);
  reported_state_ = SourceState::kFailed;
  if (listener_) listener_->OnStateChange(config_.source_id, SourceState::kFailed);
}

}  // namespace kv
