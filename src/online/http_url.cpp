#include "online/http_url.h"

#include "util/text_compare.h"

namespace kv {

namespace {

constexpr std::string_view kScheme = "http://";

bool ParsePort(std::string_view digits, int32_t* port) {
  if (digits.empty() || digits.size() > 5) return false;
  int32_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  *port = value;
  return true;
}

}  // namespace

bool SplitServer(std::string_view server, ServerAddress* address) {
  std::string_view host = server;
  std::string_view rest;
  if (server.starts_with('[')) {
    const size_t close = server.find(']');
    if (close == std::string_view::npos) return false;
    host = server.substr(1, close - 1);
    rest = server.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return false;
  } else if (const size_t colon = server.find(':'); colon != std::string_view::npos) {
    host = server.substr(0, colon);
    rest = server.substr(colon);
  }
  int32_t port = kHttpPort;
  if (!rest.empty() && !ParsePort(rest.substr(1), &port)) return false;
  if (host.empty()) return false;
  for (const char c : host) {
    // It goes into the Host header line as it is.
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
  }
  address->host = std::string(host);
  address->port = port;
  return true;
}

bool SplitUrl(std::string_view url, HttpUrl* parts) {
  if (url.size() < kScheme.size() || !EqualNoCase(url.substr(0, kScheme.size()), kScheme))
    return false;
  const std::string_view rest = url.substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return false;
  parts->server = rest.substr(0, slash);
  parts->path = rest.substr(slash);
  for (const char c : parts->path) {
    // A line end would end the request line early; the rest goes out as written.
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) return false;
  }
  return SplitServer(parts->server, &parts->address);
}

}  // namespace kv
