#include "app/terminal_http.h"

#include <cstdio>

#include "platform/ticks.h"
#include "platform/wait_set.h"
#include "storage/record_reader.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

constexpr int32_t kRedrawMs = 100;

// The library server sees a stable identifier per machine, but not the
// machine's own: a hash of it, salted with the program's name, as 16 hex
// digits. "unknown" where the system keeps none.
std::string MachineHash() {
  RecordReader reader;
  if (!reader.Open("/etc/machine-id") || reader.Data().empty()) return "unknown";
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : "korvatinel track library " + std::string(reader.Data())) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

TerminalHttp::TerminalHttp(std::ostream& err, Mode mode, int32_t time_limit_ms)
    : err_(err),
      mode_(mode),
      time_limit_ms_(time_limit_ms),
      client_(std::make_unique<HttpClient>(*this, *this)) {
  if (mode_ == Mode::kInteractive) signals_.emplace(interrupt_);
}

TerminalHttp::~TerminalHttp() { client_.reset(); }

bool TerminalHttp::Connect(std::string_view server) { return client_->EstablishConnection(server); }

HttpResult TerminalHttp::Get(std::string_view url, std::u16string_view progress_text) {
  return Wait(client_->Get(url, progress_text, this));
}

HttpResult TerminalHttp::Post(std::string_view url, std::u16string_view progress_text) {
  return Wait(client_->Post(url, progress_text, this));
}

HttpResult TerminalHttp::Wait(bool started) {
  result_ = HttpResult{};
  if (!started) return result_;
  platform::WaitSet waits;
  const int32_t woken = waits.Add(client_->WakeEvent().Handle());
  const int32_t interrupted = waits.Add(interrupt_.Handle());
  const uint32_t start = platform::TickCount();
  bool timed_out = false;
  while (client_->State() == RequestState::kRunning) {
    waits.Wait(kRedrawMs);
    if (busy_) busy_->Busy();
    if (waits.IsReady(interrupted) && interrupt_.Consume()) client_->Cancel();
    if (time_limit_ms_ >= 0 && !timed_out &&
        platform::TickCount() - start >= static_cast<uint32_t>(time_limit_ms_)) {
      timed_out = true;
      client_->Cancel();
    }
    if (waits.IsReady(woken) && client_->WakeEvent().Consume() && client_->TakePending())
      client_->Signalled();
  }
  // A result that came in while nobody was waiting for it.
  if (client_->TakePending()) client_->Signalled();
  if (timed_out && result_.outcome == HttpOutcome::kCancelled)
    result_.outcome = HttpOutcome::kTimedOut;
  return result_;
}

WideString TerminalHttp::DeviceId() const {
  static const std::string id = MachineHash();
  return FromUtf8(id);
}

void TerminalHttp::ShowBusy(std::u16string_view text, HttpCancel&) {
  if (mode_ == Mode::kInteractive) busy_.emplace(ToUtf8(text).Std(), err_);
}

void TerminalHttp::CloseBusy() { busy_.reset(); }

void TerminalHttp::ShowError(std::u16string_view text) {
  if (busy_) busy_->Clear();
  err_ << ToUtf8(text).Std() << '\n';
}

void TerminalHttp::OnSuccess(std::string_view body, const HttpMessage&) {
  result_ = {HttpOutcome::kSuccess, std::string(body)};
}

void TerminalHttp::OnFailure() { result_ = {HttpOutcome::kFailure, {}}; }

void TerminalHttp::OnCancelled() { result_ = {HttpOutcome::kCancelled, {}}; }

}  // namespace kv::app
