// Test peers run as child processes (socat, gpsd, gpsfake, the ELM327
// simulator): started by the test, ended by their own pid, never by name.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

// True when `tool` is an executable on PATH.
inline bool HaveTool(const std::string& tool) {
  const std::string command = "command -v " + tool + " > /dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

class ChildProcess {
 public:
  ChildProcess() = default;
  explicit ChildProcess(const std::vector<std::string>& argv) { Start(argv); }
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Start(const std::vector<std::string>& argv) {
    Kill();
    pid_ = fork();
    if (pid_ == 0) {
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
  }

  // SIGTERM to the child's own process group, then wait for it.
  void Kill() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  bool Running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

inline bool WaitForPath(const std::string& path, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
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

// Reads what arrives on fd within timeout_ms (stops early once `until`
// has been seen, when given).
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
