// TerminalHttp: the HTTP client's application side for commands run in a
// terminal. One request at a time, waited for on the calling thread; its
// errors go to the error stream. Interactive (the library commands): the
// busy text is a progress line on a terminal (nothing in a pipe) and
// Ctrl-C (or SIGTERM) cancels the request instead of killing the program
// mid-write. Quiet (a lookup inside a recording, which owns the signals
// and the terminal): neither; only the time limit ends a wait.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/terminal_progress.h"
#include "core/app_host.h"
#include "online/http_client.h"
#include "platform/event.h"
#include "platform/termination.h"

namespace kv::app {

enum class HttpOutcome { kSuccess, kFailure, kCancelled, kTimedOut };

struct HttpResult {
  HttpOutcome outcome = HttpOutcome::kFailure;
  std::string body;  // the bytes after the header block, on success
};

class TerminalHttp final : public AppHost, public HttpOwner, public HttpListener {
 public:
  enum class Mode { kInteractive, kQuiet };
  // time_limit_ms: how long one request may take before it is cancelled
  // (negative: as long as it takes).
  explicit TerminalHttp(std::ostream& err, Mode mode = Mode::kInteractive,
                        int32_t time_limit_ms = -1);
  ~TerminalHttp() override;

  // EstablishConnection: false after the client's message.
  bool Connect(std::string_view server);
  HttpResult Get(std::string_view url, std::u16string_view progress_text);
  // Posts the form built on Client() since its BeginForm.
  HttpResult Post(std::string_view url, std::u16string_view progress_text);
  HttpClient& Client() { return *client_; }

  // AppHost: the waiting is done here, not by a main loop.
  int32_t GetProcessId() const override { return 0; }
  void RegisterWaitable(WaitableObject*) override {}
  void UnregisterWaitable(WaitableObject*) override {}
  // HttpOwner
  WideString DeviceId() const override;
  void ShowBusy(std::u16string_view text, HttpCancel& cancel) override;
  void CloseBusy() override;
  void ShowError(std::u16string_view text) override;
  // HttpListener
  void OnSuccess(std::string_view body, const HttpMessage& message) override;
  void OnFailure() override;
  void OnCancelled() override;

 private:
  HttpResult Wait(bool started);

  std::ostream& err_;
  const Mode mode_;
  const int32_t time_limit_ms_;
  platform::Event interrupt_;
  std::optional<platform::TerminationSignals> signals_;
  std::optional<TerminalProgress> busy_;
  HttpResult result_;
  std::unique_ptr<HttpClient> client_;
};

}  // namespace kv::app
