// An ELM327-style OBD-II adapter on the master side of a pseudo-terminal:
// echo on until "ATE0", replies ending in "\r\r>", "?" for what it does
// not know, and a vehicle that answers the PIDs it is given.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

class Elm327Simulator {
 public:
  Elm327Simulator() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) device_ = ptsname(master_);
    thread_ = std::thread([this] { Run(); });
  }
  ~Elm327Simulator() {
    stop_ = true;
    thread_.join();
    if (master_ >= 0) close(master_);
  }

  const std::string& Device() const { return device_; }

  // Reply text for "01 PP" requests by PID; other PIDs get "NO DATA".
  void SetVehicle(std::map<int, std::string> replies) {
    std::lock_guard<std::mutex> guard(mutex_);
    vehicle_ = std::move(replies);
  }
  std::atomic<int> delay_ms{0};        // before each reply
  std::atomic<int> questions_left{0};  // answer this many commands with "?"

  std::vector<std::string> Commands() {
    std::lock_guard<std::mutex> guard(mutex_);
    return commands_;
  }

 private:
  void Run() {
    std::string line;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      char buffer[256];
      const ssize_t n = poll(&p, 1, 20) > 0 && (p.revents & POLLIN) ? read(master_, buffer, sizeof buffer) : 0;
      if (n <= 0) {
        // No reader on the other side yet (POLLHUP) or nothing arrived.
        if (p.revents & POLLHUP) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        continue;
      }
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] != '\r') {
          line += buffer[i];
          continue;
        }
        Answer(line);
        line.clear();
      }
    }
  }

  void Answer(const std::string& command) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      commands_.push_back(command);
    }
    std::string out = echo_ ? command + "\r" : std::string();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms.load()));
    if (questions_left > 0) {
      --questions_left;
      out += "?";
    } else if (command == "ATE0") {
      echo_ = false;
      out += "OK";
    } else if (command == "ATZ") {
      echo_ = true;
      out += "\r\rELM327 v1.5";
    } else if (command.size() == 5 && command.compare(0, 3, "01 ") == 0) {
      std::lock_guard<std::mutex> guard(mutex_);
      const auto found = vehicle_.find(std::stoi(command.substr(3), nullptr, 16));
      out += found == vehicle_.end() ? "NO DATA" : found->second;
    } else {
      out += "?";
    }
    out += "\r\r>";
    (void)!write(master_, out.data(), out.size());
  }

  int master_ = -1;
  std::string device_;
  bool echo_ = true;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> commands_;
  std::map<int, std::string> vehicle_;
  std::thread thread_;
};

}  // namespace kv::test
