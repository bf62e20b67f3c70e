// One HTTP exchange over loopback as the track library client makes it:
// the request bytes exactly as given, then everything the server sends
// until it closes the connection (a reply that stalls for 10 s ends early).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>

namespace kv::testing {

inline std::string RawExchange(int port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const timeval patience{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    for (size_t sent = 0; sent < request.size();) {
      const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
      reply.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return reply;
}

// The status code of a reply ("HTTP/1.1 200 OK"); -1 when there is none.
inline int StatusOf(const std::string& reply) {
  const size_t space = reply.find(' ');
  return space == std::string::npos ? -1 : std::atoi(reply.c_str() + space + 1);
}

inline std::string BodyOf(const std::string& reply) {
  const size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

inline std::string GetRequest(const std::string& path) {
  return "GET " + path +
         " HTTP/1.0\r\nUser-Agent: Korvatinel/1.25/PSPC\r\nHost: localhost\r\nContent-Length: "
         "0\r\n\r\n";
}

}  // namespace kv::testing
