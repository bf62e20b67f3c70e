// The parts of the URLs the track library uses: "http://" (any case), the
// server as HOST or HOST:PORT (an IPv6 address in brackets, "[::1]:8080"),
// and the path from the first "/" on, query included. Plain HTTP only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

inline constexpr int32_t kHttpPort = 80;

struct ServerAddress {
  std::string host;  // what the resolver gets: brackets removed
  int32_t port = kHttpPort;
};

// "host", "host:8080", "[::1]:8080"; false for an empty host, a port that
// is not 1..65535 in digits, text after the brackets other than a port, or
// a host with spaces or control bytes.
bool SplitServer(std::string_view server, ServerAddress* address);

struct HttpUrl {
  std::string_view server;  // as written, for the Host header
  ServerAddress address;
  std::string_view path;  // starts with "/"
};

// False when the URL does not start with "http://", has no "/" after the
// server, the server is not one SplitServer takes, or the path holds a
// control byte (CR, LF, ...). Spaces are left as they are. The views point into
// `url`.
bool SplitUrl(std::string_view url, HttpUrl* parts);

}  // namespace kv
