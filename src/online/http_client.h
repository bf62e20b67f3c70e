// HttpClient: the one HTTP/1.0 client of the program (the track library
// talks to its server through it). One request at a time runs on a worker
// thread; the caller's busy view offers Cancel; the result comes back on the
// main thread through the main loop, to the listener the caller gave.
//
// Main thread only, except Signal, which the worker calls. The request is
// built on the main thread before the worker starts and is the worker's
// alone (under the exchange's lock) until the result is delivered.
//
// A request: EstablishConnection, then Get; or EstablishConnection,
// BeginForm, the parts in the order they are to appear, Post. URLs are
// "http://HOST[:PORT]/path" (port 80 when none is given). The client waits
// for the reply without a time limit: the busy view's Cancel ends the wait.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/waitable_object.h"
#include "online/http_message.h"
#include "platform/thread.h"
#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

enum class RequestState : int32_t {
  kIdle = 0,
  kRunning = 1,
  kCompleted = 2,
  kFailed = 3,
  kCancelled = 4
};

// Receives the result of a request, on the main thread, exactly once per
// request that Get or Post started.
class HttpListener {
 public:
  virtual ~HttpListener() = default;
  // Status 200 and the header block complete: the bytes after the blank
  // line (may be empty), and the whole exchange.
  virtual void OnSuccess(std::string_view body, const HttpMessage& message) = 0;
  // No connection, a network error, no status or any status other than 200,
  // or a reply that ended before its blank line.
  virtual void OnFailure() = 0;
  virtual void OnCancelled() = 0;
};

// What the busy view calls when the user cancels.
class HttpCancel {
 public:
  virtual ~HttpCancel() = default;
  virtual void Cancel() = 0;
};

// What the client needs of the application: the device's identifier and
// the views. Main thread only.
class HttpOwner {
 public:
  virtual ~HttpOwner() = default;
  // Sent with every request as "X-Korvatinel-ID".
  virtual WideString DeviceId() const = 0;
  // A modal busy view with `text`, no progress bar, and a Cancel action
  // that calls cancel.Cancel().
  virtual void ShowBusy(std::u16string_view text, HttpCancel& cancel) = 0;
  // No effect when none is shown.
  virtual void CloseBusy() = 0;
  virtual void ShowError(std::u16string_view text) = 0;
};

class HttpClient final : public WaitableObject, public HttpCancel {
 public:
  // How long Cancel, ReleaseConnection and the destructor wait for the worker.
  static constexpr int32_t kStopWaitMs = 15000;
  // The worker's unit of sending and receiving.
  static constexpr int32_t kChunkBytes = 2048;

  // host and owner must outlive the client.
  HttpClient(AppHost& host, HttpOwner& owner);
  // Stops a running request (its listener hears nothing more) and releases
  // the connection.
  ~HttpClient() override;

  // True when `server` (HOST or HOST:PORT) can be reached: its name resolves
  // and this machine has a route to it. Otherwise shows "Cannot create
  // session. Error: %N" (%N the system's error number) and returns false.
  // May block while the name is looked up.
  bool EstablishConnection(std::string_view server);
  // Stops a running request as Cancel does (its listener hears
  // OnCancelled); the next request needs EstablishConnection again.
  void ReleaseConnection();
  bool Connected() const { return connected_; }

  // Start a request; false, with nothing started, unless connected and
  // idle. A URL that SplitUrl refuses ends in OnFailure. Throws
  // kErrThreadCreate when no worker can be made.
  bool Get(std::string_view url, std::u16string_view progress_text, HttpListener* listener);
  bool Post(std::string_view url, std::u16string_view progress_text, HttpListener* listener);

  // The form of the next Post; ignored while a request runs.
  void BeginForm();
  void AddFieldPart(std::string_view name, std::u16string_view value);
  void AddFilePart(std::string_view name, std::u16string_view file_name, std::string_view content);

  // Ends a running request: the worker is stopped, the busy view closed,
  // and the listener hears OnCancelled through Signalled.
  void Cancel() override;
  // Delivers the result of a request that has ended.
  void Signalled() override;

  RequestState State() const { return state_; }

  struct Exchange;  // shared with the worker

 private:
  bool Start(HttpMethod method, std::string_view url, std::u16string_view progress_text,
             HttpListener* listener);
  void StopWorker();

  HttpOwner& owner_;
  bool connected_ = false;
  RequestState state_ = RequestState::kIdle;
  bool cancelled_ = false;
  HttpListener* listener_ = nullptr;
  HttpMessage message_;  // the request being built
  std::shared_ptr<Exchange> exchange_;
  std::unique_ptr<platform::Thread> thread_;
};

}  // namespace kv
