// Test peers run as child processes (socat, gpsfake): started by the test,
// ended by their own pid, never by name.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

inline bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

class ChildProcess {
 public:
  ~ChildProcess() { Kill(); }

  void Start(const std::vector<std::string>& argv) {
    Kill();
    pid_ = fork();
    if (pid_ != 0) return;
    setpgid(0, 0);  // its own group, so its helpers end with it
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    if (!std::getenv("KV_TEST_PEER_OUTPUT")) dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }

  // SIGTERM to the child's own process group, SIGKILL if it lasts 2 s.
  void Kill() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    bool ended = false;
    for (int i = 0; i < 100 && !(ended = waitpid(pid_, nullptr, WNOHANG) == pid_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!ended) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

inline bool WaitForPath(const std::string& path, int timeout_ms) {
  for (int waited = 0; !std::filesystem::exists(path); waited += 10) {
    if (waited >= timeout_ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A loopback TCP port that was free a moment ago.
inline int FreeTcpPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

inline std::string MakeTempDir(const std::string& stem) {
  std::string pattern = (std::filesystem::temp_directory_path() / (stem + "XXXXXX")).string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

// What arrives on fd within timeout_ms, or until `until` has been seen.
inline std::string ReadFor(int fd, int timeout_ms, const std::string& until = {}) {
  std::string text;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buffer[1024];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
    if (!until.empty() && text.find(until) != std::string::npos) break;
  }
  return text;
}

}  // namespace kv::test
