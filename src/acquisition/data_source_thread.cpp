// The reader thread of a DataSource: one loop per kind of transport.
#include <algorithm>
#include <array>
#include <new>

#include "acquisition/data_source.h"
#include "platform/ticks.h"
#include "platform/wait_set.h"
#include "util/errors.h"

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
  if (config_.transport == kTransportNone) return;  // reads nothing; the state stays as the start set it
  bool opened = true;
  int32_t fatal = 0;
  try {
    opened = RunTransport();
  } catch (const CodeException& e) {
    fatal = e.code;
  } catch (const std::bad_alloc&) {
    fatal = kErrOutOfMemory;
  }
  // The text not yet taken stays for the main thread: the end of a replay
  // must reach the listener too. The next connection empties it.
  {
    std::lock_guard<std::mutex> guard(lock_);
    engine_.reset();
    parser_.reset();
    outgoing_.clear();
  }
  // A fatal error goes to OnError on the main thread, which takes it before
  // the state published here.
  if (fatal != 0) fatal_error_.store(fatal);
  Publish(opened ? SourceState::kStopped : SourceState::kFailed);
}

bool DataSource::RunTransport() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (config_.source_id == kSourceObd) {
      engine_ = std::make_unique<ObdEngine>(clock_);
      ApplyChannelsLocked();
    } else {
      parser_ = std::make_unique<NmeaParser>(true);
    }
  }
  switch (config_.transport) {
    case kTransportNone:
      break;  // not started
    case kTransportSerial:
      return RunReopening(*streams_->Serial(config_.device, config_.baud_rate));
    case kTransportGpsd:
      return RunReopening(*streams_->Gpsd(config_.host, config_.port));
    case kTransportBluetooth:
      return RunBluetooth();
    case kTransportFile:
      return RunFile();
  }
  return true;
}

void DataSource::ResetProtocol() {
  std::lock_guard<std::mutex> guard(lock_);
  if (engine_) {
    engine_->ResetEngine();
    // A reconnection must not leave the adapter asking for nothing but
    // its support bitmap: the driver's choice holds until changed.
    ApplyChannelsLocked();
  }
  if (parser_) parser_->Clear();
}

void DataSource::BeginConnection() {
  std::lock_guard<std::mutex> guard(lock_);
  incoming_.reserve(kMaxPending);
  incoming_.clear();
  outgoing_.clear();
  if (engine_) engine_->StartEngine(platform::TickCount(), &outgoing_);
}

int32_t DataSource::OpenFirst(platform::ByteStream& stream) {
  const int32_t error = stream.Open(stop_event_);
  // A stop during the open is no failure of the device.
  if (error != 0 && !Stopping() && !platform::WaitForStop(stop_event_, 0)) open_error_.store(error);
  return error;
}

bool DataSource::RunReopening(platform::ByteStream& stream) {
  Publish(SourceState::kConnecting);
  if (OpenFirst(stream) != 0) return open_error_.load() == 0;
  int32_t pause = kFirstReopenPauseMs;
  while (!Stopping()) {
    Publish(SourceState::kConnected);
    BeginConnection();
    if (Pump(stream)) pause = kFirstReopenPauseMs;
    stream.Close();
    if (Stopping()) break;
    // Lost: the device was unplugged, its line dropped or gpsd restarted.
    // Come back by itself when the device is there again.
    Publish(SourceState::kConnecting);
    ResetProtocol();
    for (;;) {
      if (streams_->Pause(stop_event_, pause)) {
        stop_flag_.store(true);
        break;
      }
      pause = std::min(pause * 2, kLongestReopenPauseMs);
      if (stream.Open(stop_event_) == 0) break;
    }
  }
  return true;
}

bool DataSource::RunBluetooth() {
  bool first = true;
  while (!Stopping()) {
    const auto stream = streams_->Rfcomm(config_.address, config_.channel);
    ResetProtocol();
    Publish(SourceState::kConnecting);
    const int32_t error = first ? OpenFirst(*stream) : stream->Open(stop_event_);
    if (open_error_.load() != 0) return false;
    first = false;
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
    if (streams_->Pause(stop_event_, kBluetoothRetryMs)) stop_flag_.store(true);
  }
  return true;
}

bool DataSource::Pump(platform::ByteStream& stream) {
  bool any = false;
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
        any = true;
        break;
      case platform::IoStatus::kTimeout:
        break;
      case platform::IoStatus::kStopped:
        stop_flag_.store(true);
        return any;
      case platform::IoStatus::kLost:
        return any;
    }
  }
  return any;
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

bool DataSource::RunFile() {
  const bool fast = config_.fast;
  Publish(SourceState::kConnecting);
  if (!fast && streams_->Pause(stop_event_, kReplayOpenDelayMs)) return true;
  const auto stream = streams_->File(config_.path);
  if (OpenFirst(*stream) != 0) return open_error_.load() == 0;
  replayed_bytes_.store(0);
  Publish(SourceState::kConnected);
  if (!fast && streams_->Pause(stop_event_, kReplayStartDelayMs)) return true;
  std::string block(fast ? kFastReplayBlock : kReplayBlock, '\0');
  platform::WaitSet taken_or_stop;
  taken_or_stop.Add(drained_.Handle());
  taken_or_stop.Add(stop_event_.Handle());
  while (!Stopping()) {
    size_t got = 0;
    if (stream->Read(block.data(), block.size(), &got, 0, stop_event_) != platform::IoStatus::kData) break;
    const std::string_view bytes(block.data(), got);
    {
      // A replay keeps the GPS clock as a receiver does: the OBD-II values
      // read beside it are stamped with the replayed time, else none of
      // them would have a time and none would be recorded.
      std::lock_guard<std::mutex> guard(lock_);
      if (parser_) {
        parser_->Append(bytes);
        while (parser_->NextSentence()) clock_.Update(parser_->Fix());
      }
    }
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
      if (appended) replayed_bytes_.fetch_add(static_cast<int64_t>(got));
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
    if (!fast && streams_->Pause(stop_event_, kReplayBlockPauseMs)) stop_flag_.store(true);
  }
  stream->Close();
  return true;
}

}  // namespace kv
