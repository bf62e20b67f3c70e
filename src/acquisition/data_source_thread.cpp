// The reader thread of a DataSource: one loop per kind of transport.
#include <algorithm>
#include <array>

#include "acquisition/data_source.h"
#include "platform/ticks.h"
#include "platform/wait_set.h"

namespace kv {

namespace {

// How long a read waits before the thread looks at held OBD-II commands
// and the modem lines again.
constexpr int32_t kReadSliceMs = 200;

}  // namespace

void DataSource::Publish(SourceState state) {
  {
    // Under the lock, so that Signalled sees a state together with all the
    // text that came before it (see there).
    std::lock_guard<std::mutex> guard(lock_);
    state_.store(state);
  }
  Signal();
}

void DataSource::ThreadMain() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (config_.source_id == kSourceObd) {
      engine_ = std::make_unique<ObdEngine>(clock_);
    } else {
      parser_ = std::make_unique<NmeaParser>(true);
    }
  }
  switch (config_.transport) {
    case kTransportNone:
      return;  // reads nothing; the state stays as the start set it
    case kTransportSerial: {
      const auto stream = streams_->Serial(config_.device, config_.baud_rate);
      RunReopening(*stream);
      break;
    }
    case kTransportGpsd: {
      const auto stream = streams_->Gpsd(config_.host, config_.port);
      RunReopening(*stream);
      break;
    }
    case kTransportBluetooth:
      RunBluetooth();
      break;
    case kTransportFile:
      RunFile();
      break;
  }
  // The text not yet taken stays for the main thread: the end of a replay
  // must reach the listener too. The next connection empties it.
  {
    std::lock_guard<std::mutex> guard(lock_);
    engine_.reset();
    parser_.reset();
    outgoing_.clear();
  }
  Publish(SourceState::kStopped);
}

void DataSource::ResetProtocol() {
  std::lock_guard<std::mutex> guard(lock_);
  if (engine_) engine_->ResetEngine();
  if (parser_) parser_->Clear();
}

void DataSource::BeginConnection() {
  std::lock_guard<std::mutex> guard(lock_);
  incoming_.reserve(kMaxPending);
  incoming_.clear();
  outgoing_.clear();
  if (engine_) engine_->StartEngine(platform::TickCount(), &outgoing_);
}

void DataSource::RunReopening(platform::ByteStream& stream) {
  Publish(SourceState::kConnecting);
  if (stream.Open(stop_event_) != 0) return;
  while (!Stopping()) {
    Publish(SourceState::kConnected);
    BeginConnection();
    Pump(stream);
    stream.Close();
    if (Stopping()) break;
    // Lost: the device was unplugged, its line dropped or gpsd restarted.
    // Come back by itself as soon as the device is there again.
    Publish(SourceState::kConnecting);
    ResetProtocol();
    while (!Stopping() && stream.Open(stop_event_) != 0) {
      if (platform::WaitForStop(stop_event_, kReopenPauseMs)) stop_flag_.store(true);
    }
  }
}

void DataSource::RunBluetooth() {
  while (!Stopping()) {
    const auto stream = streams_->Rfcomm(config_.address, config_.channel);
    ResetProtocol();
    Publish(SourceState::kConnecting);
    const int32_t error = stream->Open(stop_event_);
    if (error < 0) return;  // no Bluetooth sockets on this machine
    if (error == 0) {
      last_socket_error_.store(0);
      Publish(SourceState::kConnected);
      BeginConnection();
      Pump(*stream);
    } else {
      last_socket_error_.store(error);
    }
    stream->Close();
    if (Stopping()) break;
    Publish(SourceState::kLost);
    if (platform::WaitForStop(stop_event_, kBluetoothRetryMs)) stop_flag_.store(true);
  }
}

void DataSource::Pump(platform::ByteStream& stream) {
  std::array<char, kReadBlock> block;
  std::string to_write;
  while (!Stopping()) {
    int32_t timeout = kReadSliceMs;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (engine_) {
        const int32_t due = engine_->SendDue(platform::TickCount(), &outgoing_);
        if (due >= 0) timeout = std::min(timeout, due);
      }
      to_write.swap(outgoing_);
    }
    // Written outside the lock: a stuck device must not hold up the main
    // thread, which takes the same lock to collect the text.
    if (!to_write.empty()) {
      stream.Write(to_write);
      to_write.clear();
    }
    size_t got = 0;
    switch (stream.Read(block.data(), block.size(), &got, timeout, stop_event_)) {
      case platform::IoStatus::kData:
        HandleBlock(std::string_view(block.data(), got));
        break;
      case platform::IoStatus::kTimeout:
        break;
      case platform::IoStatus::kStopped:
        stop_flag_.store(true);
        return;
      case platform::IoStatus::kLost:
        return;
    }
  }
}

void DataSource::HandleBlock(std::string_view block) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (incoming_.size() + block.size() > kMaxPending) incoming_.clear();  // the oldest unread text goes
    const bool was_empty = incoming_.empty();
    if (engine_) {
      engine_->OnBytes(block);
      engine_->Poll(platform::TickCount(), &outgoing_, &incoming_);
    } else if (parser_) {
      parser_->Append(block);
      while (parser_->NextSentence()) clock_.Update(parser_->Fix());
      incoming_.append(block);
      parser_->CheckSirf(&outgoing_);
    }
    wake = was_empty && !incoming_.empty();
  }
  if (wake) Signal();
}

void DataSource::RunFile() {
  const bool fast = config_.fast;
  Publish(SourceState::kConnecting);
  if (!fast && platform::WaitForStop(stop_event_, kReplayOpenDelayMs)) return;
  const auto stream = streams_->File(config_.path);
  if (stream->Open(stop_event_) != 0) return;
  Publish(SourceState::kConnected);
  if (!fast && platform::WaitForStop(stop_event_, kReplayStartDelayMs)) return;
  std::string block(fast ? kFastReplayBlock : kReplayBlock, '\0');
  platform::WaitSet taken_or_stop;
  taken_or_stop.Add(drained_.Handle());
  taken_or_stop.Add(stop_event_.Handle());
  while (!Stopping()) {
    size_t got = 0;
    if (stream->Read(block.data(), block.size(), &got, 0, stop_event_) != platform::IoStatus::kData) break;
    const std::string_view bytes(block.data(), got);
    for (;;) {
      bool appended = false, wake = false;
      {
        std::lock_guard<std::mutex> guard(lock_);
        if (incoming_.size() + bytes.size() < kMaxPending) {
          wake = incoming_.empty();
          incoming_.append(bytes);
          appended = true;
        }
      }
      if (wake) Signal();
      if (appended || !fast) break;
      // Batch mode drops nothing: wait until the main thread took the text.
      taken_or_stop.Wait(-1);
      if (platform::WaitForStop(stop_event_, 0)) {
        stop_flag_.store(true);
        break;
      }
      drained_.Consume();
    }
    if (!fast && platform::WaitForStop(stop_event_, kReplayBlockPauseMs)) stop_flag_.store(true);
  }
  stream->Close();
}

}  // namespace kv
