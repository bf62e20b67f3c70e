// TcpClient: one outgoing TCP connection for a request and its response
// (HTTP). It connects like TcpStream (never blocking past the cancel event)
// and then tells an orderly close by the peer from a reset, which a reply
// that is only complete at the close needs. Every wait also watches the
// cancel event, which is looked at and never consumed. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/socket_stream.h"

namespace kv::platform {

enum class TcpResult : int32_t {
  kDone,       // sent all, or received *got > 0 bytes
  kClosed,     // the peer closed its side in order: the reply is complete
  kCancelled,  // the cancel event is set
  kFailed,     // reset, unreachable, or any other socket error
};

// Whether this machine can reach host now, without sending anything: the
// name resolves and the kernel has a route to one of its addresses (a UDP
// socket connected to it, which only picks the route). 0 when it can;
// otherwise an errno: EHOSTUNREACH for a name that does not resolve,
// ENETUNREACH when no interface leads there. The lookup may block for as
// long as the resolver takes.
int32_t FindRoute(const std::string& host, int32_t port);

class TcpClient final : public TcpStream {
 public:
  TcpClient(std::string host, int32_t port) : TcpStream(std::move(host), port) {}

  // Hands all of `bytes` to the socket, waiting while its buffer is full.
  TcpResult Send(std::string_view bytes, const Event& cancel);
  // Waits without time-out for bytes, the peer's close or cancel; reads at
  // most `capacity` bytes.
  TcpResult Receive(char* buffer, size_t capacity, size_t* got, const Event& cancel);
};

}  // namespace kv::platform
