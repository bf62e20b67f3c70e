// ObdEngine: the conversation with an ELM327-style OBD-II adapter, run on
// the OBD-II source's reader thread under the source's lock.
//
// It sends "ATE0" (echo off), asks the vehicle which PIDs it supports
// ("01 00"), then polls the chosen PIDs ("01 0C\r" ...) in the priority
// order below, one request per ">" prompt. Every reply line the adapter
// gives becomes one sentence for the main thread:
//
//   $KVOBD,hhmmss.sss,PP,<reply as received>*CS\r\n
//
// time of day from the GpsClock (empty before the GPS has a fix), PP the
// PID asked for in upper-case hexadecimal.
//
// States: 0 idle, 1 echo off ("ATE0" after 1000 ms), 2 support query
// ("01 00"), 3 polling, 4 reset ("ATZ", entered when the error score
// reached 20: "NO DATA" scores 1, "UNABLE TO CONNECT" 4, any other reply
// clears the score; "SEARCHING..." is progress, not a reply), 5 echo off
// again ("ATE0" after 5000 ms), then 2.
// A "?" from the adapter repeats the current state's command.
//
// Polling order: the high-priority list round and round; after every fifth
// full pass one PID of the low-priority list (round-robin) instead. With no
// high-priority PIDs the low-priority list alone; with none at all PID 00.
//
// Delays are not slept: a command that must wait is held, and the reader
// thread asks SendDue for it when its read times out.
//
// Time: ticks in milliseconds (platform TickCount), wrapping at 2^32.
// Thread: one thread at a time (the reader thread, or the main thread in
// ClearChannels/AddChannel, both under the source's lock).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/gps_clock.h"

namespace kv {

class ObdEngine {
 public:
  static constexpr int32_t kMaxPids = 256;
  static constexpr size_t kMaxInput = 102400;
  static constexpr int32_t kEchoOffDelayMs = 1000;
  static constexpr int32_t kAfterResetDelayMs = 5000;
  static constexpr int32_t kResetScore = 20;
  static constexpr int32_t kPassesPerLowPid = 5;

  // The clock must outlive the engine.
  explicit ObdEngine(const GpsClock& clock) : clock_(clock) {}

  // On connection: queues the first command ("ATE0\r", held 1000 ms).
  void StartEngine(uint32_t now_ms, std::string* outgoing);
  // Adds received bytes. Unsplit text that would pass kMaxInput with the
  // block is dropped first (an adapter talking garbage without line ends).
  void OnBytes(std::string_view block);
  // Handles every complete line: emits sentences into *incoming and queues
  // commands into *outgoing.
  void Poll(uint32_t now_ms, std::string* outgoing, std::string* incoming);
  // Moves a held command to *outgoing once its time has come. Returns the
  // milliseconds until the held command is due, or -1 when none is held.
  int32_t SendDue(uint32_t now_ms, std::string* outgoing);

  // On every (re)connection: state 0, not started, score 0, buffers and
  // both PID lists emptied.
  void ResetEngine();
  void ClearChannels();
  // priority 2: high-priority list; any other: low. A full list ignores it.
  void AddChannel(int32_t pid, int32_t priority);

  int32_t State() const { return state_; }
  int32_t ErrorScore() const { return error_score_; }
  int32_t CurrentPid() const { return current_pid_; }

 private:
  struct PidList {
    std::array<uint8_t, kMaxPids> pids{};
    int32_t count = 0;
    int32_t next = 0;
  };

  void CheckLine(std::string_view line, uint32_t now_ms, std::string* outgoing, std::string* incoming);
  void NextCommand(uint32_t now_ms, std::string* outgoing);
  uint8_t NextPid();
  void Emit(std::string* incoming);
  void Send(std::string_view command, int32_t delay_ms, uint32_t now_ms, std::string* outgoing);

  const GpsClock& clock_;
  std::string input_;
  std::string last_reply_;
  bool has_reply_ = false;
  uint8_t current_pid_ = 0;
  int32_t state_ = 0;
  bool started_ = false;
  bool repeat_ = false;
  int32_t error_score_ = 0;
  PidList high_;
  PidList low_;
  int32_t passes_ = 0;
  std::string held_command_;
  uint32_t held_until_ = 0;
};

// The sentence the engine emits for one reply (exposed for tests and for
// tools that simulate an adapter). time_of_day_ms: kNotSet leaves the time
// field empty; other values are taken modulo one day.
std::string MakeObdSentence(int32_t time_of_day_ms, uint8_t pid, std::string_view reply);

}  // namespace kv
