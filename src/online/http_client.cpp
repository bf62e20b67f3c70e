#include "online/http_client.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>

#include "platform/event.h"
#include "platform/tcp_client.h"
#include "util/errors.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv {

// What the worker and the main thread share for one request. Each request
// has its own, so a worker that did not stop in time can only ever touch
// the exchange the client has already let go of.
struct HttpClient::Exchange {
  std::mutex lock;
  HttpMessage message;  // under lock while the worker runs
  platform::Event cancel;
  RequestState result = RequestState::kRunning;  // under lock
  bool finished = false;                         // under lock
  HttpClient* client = nullptr;                  // under lock; null once let go
};

namespace {

using platform::TcpResult;

RequestState Transfer(HttpClient::Exchange& x) {
  ServerAddress address;
  {
    const std::lock_guard guard(x.lock);
    address = x.message.address;
  }
  platform::TcpClient socket(address.host, address.port);
  if (socket.Open(x.cancel) != 0) {
    return platform::WaitForStop(x.cancel, 0) ? RequestState::kCancelled : RequestState::kFailed;
  }
  std::array<char, HttpClient::kChunkBytes> buffer;
  for (bool sending = true; sending;) {
    size_t count = 0;
    {
      const std::lock_guard guard(x.lock);
      const std::string_view piece = x.message.TakeUnsent(HttpClient::kChunkBytes);
      count = piece.copy(buffer.data(), buffer.size());
    }
    if (count == 0) break;
    switch (socket.Send(std::string_view(buffer.data(), count), x.cancel)) {
      case TcpResult::kCancelled:
        return RequestState::kCancelled;
      case TcpResult::kFailed:
        sending =
            false;  // a server may answer before it has read all, then close: read that answer
        break;
      default:
        break;
    }
  }
  for (;;) {
    size_t got = 0;
    switch (socket.Receive(buffer.data(), buffer.size(), &got, x.cancel)) {
      case TcpResult::kDone: {
        const std::lock_guard guard(x.lock);
        if (!x.message.response.Feed(std::string_view(buffer.data(), got)))
          return RequestState::kFailed;
        break;
      }
      case TcpResult::kClosed:
        return RequestState::kCompleted;
      case TcpResult::kCancelled:
        return RequestState::kCancelled;
      case TcpResult::kFailed:
        return RequestState::kFailed;
    }
  }
}

void RunWorker(const std::shared_ptr<HttpClient::Exchange>& x) {
  RequestState result = RequestState::kFailed;
  try {
    result = Transfer(*x);
  } catch (const CodeException&) {
    // No memory for the reply or for a wait: the request fails, the program goes on.
  }
  const std::lock_guard guard(x->lock);
  if (!x->finished) {
    x->result = result;
    x->finished = true;
  }
  if (x->client != nullptr) x->client->Signal();
}

}  // namespace

HttpClient::HttpClient(AppHost& host, HttpOwner& owner) : WaitableObject(host), owner_(owner) {}

HttpClient::~HttpClient() {
  StopWorker();
  if (exchange_) {
    const std::lock_guard guard(exchange_->lock);
    exchange_->client = nullptr;
  }
  connected_ = false;
}

bool HttpClient::EstablishConnection(std::string_view server) {
  if (connected_) return true;
  ServerAddress address;
  const int32_t error =
      SplitServer(server, &address) ? platform::FindRoute(address.host, address.port) : EINVAL;
  if (error != 0) {
    owner_.ShowError(FormatN(kStrCannotCreateConnection, error));
    return false;
  }
  connected_ = true;
  return true;
}

void HttpClient::ReleaseConnection() {
  if (!connected_) return;
  StopWorker();
  connected_ = false;
}

void HttpClient::BeginForm() {
  if (state_ == RequestState::kRunning) return;
  message_.Reset();
}

void HttpClient::AddFieldPart(std::string_view name, std::u16string_view value) {
  if (state_ != RequestState::kRunning) message_.AppendFieldPart(name, value);
}

void HttpClient::AddFilePart(std::string_view name, std::u16string_view file_name,
                             std::string_view content) {
  if (state_ != RequestState::kRunning) message_.AppendFilePart(name, file_name, content);
}

bool HttpClient::Get(std::string_view url, std::u16string_view progress_text,
                     HttpListener* listener) {
  return Start(HttpMethod::kGet, url, progress_text, listener);
}

bool HttpClient::Post(std::string_view url, std::u16string_view progress_text,
                      HttpListener* listener) {
  return Start(HttpMethod::kPost, url, progress_text, listener);
}

bool HttpClient::Start(HttpMethod method, std::string_view url, std::u16string_view progress_text,
                       HttpListener* listener) {
  if (!connected_ || state_ != RequestState::kIdle) return false;
  if (method == HttpMethod::kGet) {
    message_.Reset();
  } else {
    message_.AppendFormEnd();
    message_.AppendHeader("Content-Type", kFormContentType);
  }
  message_.AppendHeader("User-Agent", kUserAgent);
  message_.AppendHeader("X-Korvatinel-ID", ToUtf8(owner_.DeviceId()));
  const bool addressed = message_.FinishRequest(method, url);

  auto exchange = std::make_shared<Exchange>();
  exchange->message = std::move(message_);
  exchange->client = this;
  message_ = HttpMessage{};
  listener_ = listener;
  cancelled_ = false;
  owner_.ShowBusy(progress_text, *this);
  if (addressed) {
    try {
      thread_ = std::make_unique<platform::Thread>([exchange] { RunWorker(exchange); });
    } catch (...) {
      owner_.CloseBusy();
      listener_ = nullptr;
      throw;
    }
  } else {
    exchange->result = RequestState::kFailed;  // nowhere to go: fails without a worker
    exchange->finished = true;
    Signal();
  }
  exchange_ = std::move(exchange);
  state_ = RequestState::kRunning;
  return true;
}

void HttpClient::StopWorker() {
  if (state_ != RequestState::kRunning || !exchange_) return;
  cancelled_ = true;
  exchange_->cancel.Set();
  if (thread_ && !thread_->Join(kStopWaitMs)) {
    // Stuck past the wait (a name lookup, say): let it finish on its own.
    const std::lock_guard guard(exchange_->lock);
    exchange_->finished = true;
    exchange_->client = nullptr;
  }
  Signal();
}

void HttpClient::Cancel() {
  if (state_ != RequestState::kRunning) return;
  StopWorker();
  owner_.CloseBusy();
}

void HttpClient::Signalled() {
  if (!exchange_) return;
  RequestState result = RequestState::kCancelled;
  {
    const std::lock_guard guard(exchange_->lock);
    if (!exchange_->finished) return;  // an early call; the worker signals again when it ends
    if (!cancelled_) result = exchange_->result;
    exchange_->client = nullptr;
  }
  if (thread_) thread_->Join(kStopWaitMs);  // it has ended or was let go
  thread_.reset();
  // Idle before the listener hears anything, so it may start the next request.
  const std::shared_ptr<Exchange> exchange = std::move(exchange_);
  HttpListener* listener = listener_;
  listener_ = nullptr;
  state_ = RequestState::kIdle;
  cancelled_ = false;
  owner_.CloseBusy();
  if (listener == nullptr) return;
  switch (result) {
    case RequestState::kCompleted:
      // A reply cut off before its blank line is no success, whatever its status.
      if (exchange->message.response.StatusCode() == 200 &&
          exchange->message.response.State() == HttpResponse::kBody) {
        listener->OnSuccess(exchange->message.response.Body(), exchange->message);
      } else {
        listener->OnFailure();
      }
      break;
    case RequestState::kCancelled:
      listener->OnCancelled();
      break;
    default:
      listener->OnFailure();
      break;
  }
}

}  // namespace kv
