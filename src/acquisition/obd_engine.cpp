#include "acquisition/obd_engine.h"

#include <cstdio>

#include "core/date_time.h"
#include "core/not_set.h"

namespace kv {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string* out, uint8_t value) {
  out->push_back(kHex[value >> 4]);
  out->push_back(kHex[value & 0x0F]);
}

}  // namespace

std::string MakeObdSentence(int32_t time_of_day_ms, uint8_t pid, std::string_view reply) {
  std::string sentence = "$KVOBD,";
  if (IsSet(time_of_day_ms)) {
    int32_t t = time_of_day_ms % kDayMs;
    if (t < 0) t += kDayMs;
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d.%03d", t / 3600000, t / 60000 % 60, t / 1000 % 60,
                  t % 1000);
    sentence += text;
  }
  sentence += ',';
  AppendHex(&sentence, pid);
  sentence += ',';
  sentence += reply;
  uint8_t sum = 0;
  for (size_t i = 1; i < sentence.size(); ++i) sum ^= static_cast<uint8_t>(sentence[i]);
  sentence += '*';
  AppendHex(&sentence, sum);
  sentence += "\r\n";
  return sentence;
}

void ObdEngine::StartEngine(uint32_t now_ms, std::string* outgoing) {
  if (started_) return;
  started_ = true;
  NextCommand(now_ms, outgoing);
}

void ObdEngine::OnBytes(std::string_view block) {
  if (block.size() >= kMaxInput) {
    input_.assign(block);
    return;
  }
  if (input_.size() + block.size() > kMaxInput) input_.clear();
  input_.append(block);
}

void ObdEngine::Poll(uint32_t now_ms, std::string* outgoing, std::string* incoming) {
  if (!started_) StartEngine(now_ms, outgoing);
  size_t begin = 0;
  for (;;) {
    const size_t end = input_.find_first_of("\r\n", begin);
    if (end == std::string::npos) break;
    if (end > begin) CheckLine(std::string_view(input_).substr(begin, end - begin), now_ms, outgoing, incoming);
    begin = end + 1;
  }
  input_.erase(0, begin);
  // The prompt comes without a line end.
  if (input_ == ">") {
    CheckLine(">", now_ms, outgoing, incoming);
    input_.clear();
  }
}

int32_t ObdEngine::SendDue(uint32_t now_ms, std::string* outgoing) {
  if (held_command_.empty()) return -1;
  const int32_t remaining = static_cast<int32_t>(held_until_ - now_ms);
  if (remaining > 0) return remaining;
  outgoing->append(held_command_);
  held_command_.clear();
  return -1;
}

void ObdEngine::ResetEngine() {
  state_ = 0;
  started_ = false;
  repeat_ = false;
  error_score_ = 0;
  current_pid_ = 0;
  input_.clear();
  last_reply_.clear();
  has_reply_ = false;
  held_command_.clear();
  ClearChannels();
}

void ObdEngine::ClearChannels() {
  high_ = PidList{};
  low_ = PidList{};
  passes_ = 0;
}

void ObdEngine::AddChannel(int32_t pid, int32_t priority) {
  PidList& list = priority == 2 ? high_ : low_;
  if (list.count >= kMaxPids) return;
  list.pids[static_cast<size_t>(list.count++)] = static_cast<uint8_t>(pid & 0xFF);
}

void ObdEngine::CheckLine(std::string_view line, uint32_t now_ms, std::string* outgoing,
                          std::string* incoming) {
  if (line == "?") {
    repeat_ = true;
    return;
  }
  if (line == ">") {
    Emit(incoming);
    NextCommand(now_ms, outgoing);
    return;
  }
  // Progress the adapter prints while it looks for the vehicle's protocol,
  // typically just before "UNABLE TO CONNECT": counting it as a reply would
  // clear the score every time and an adapter that cannot reach the car
  // would never be reset.
  if (line == "SEARCHING...") return;
  if (line == "NO DATA") {
    error_score_ += 1;
  } else if (line == "UNABLE TO CONNECT") {
    error_score_ += 4;
  } else {
    error_score_ = 0;
  }
  last_reply_.assign(line);
  has_reply_ = true;
}

void ObdEngine::Emit(std::string* incoming) {
  if ((state_ != 2 && state_ != 3) || !has_reply_) return;
  incoming->append(MakeObdSentence(clock_.Now(), current_pid_, last_reply_));
  last_reply_.clear();
  has_reply_ = false;
}

void ObdEngine::Send(std::string_view command, int32_t delay_ms, uint32_t now_ms, std::string* outgoing) {
  if (delay_ms <= 0) {
    held_command_.clear();
    outgoing->append(command);
    return;
  }
  held_command_.assign(command);
  held_until_ = now_ms + static_cast<uint32_t>(delay_ms);
}

void ObdEngine::NextCommand(uint32_t now_ms, std::string* outgoing) {
  if (repeat_) {
    repeat_ = false;
  } else {
    switch (state_) {
      case 0: state_ = 1; break;
      case 1: state_ = 2; break;
      case 2: state_ = 3; break;
      case 3:
        if (error_score_ >= kResetScore) {
          state_ = 4;
          error_score_ = 0;
        }
        break;
      case 4: state_ = 5; break;
      default: state_ = 2; break;
    }
  }
  std::string request = "01 ";
  switch (state_) {
    case 1:
      Send("ATE0\r", kEchoOffDelayMs, now_ms, outgoing);
      break;
    case 2:
      current_pid_ = 0;
      AppendHex(&request, current_pid_);
      request += '\r';
      Send(request, 0, now_ms, outgoing);
      break;
    case 3:
      current_pid_ = NextPid();
      AppendHex(&request, current_pid_);
      request += '\r';
      Send(request, 0, now_ms, outgoing);
      break;
    case 4:
      Send("ATZ\r", 0, now_ms, outgoing);
      break;
    case 5:
      Send("ATE0\r", kAfterResetDelayMs, now_ms, outgoing);
      break;
    default:
      break;
  }
}

uint8_t ObdEngine::NextPid() {
  const auto round_robin = [](PidList& list) {
    const uint8_t pid = list.pids[static_cast<size_t>(list.next)];
    list.next = (list.next + 1) % list.count;
    return pid;
  };
  if (high_.count == 0) return low_.count == 0 ? 0 : round_robin(low_);
  if (passes_ >= kPassesPerLowPid) {
    passes_ = 0;
    if (low_.count > 0) return round_robin(low_);
  }
  const uint8_t pid = high_.pids[static_cast<size_t>(high_.next)];
  if (++high_.next >= high_.count) {
    high_.next = 0;
    ++passes_;
  }
  return pid;
}

}  // namespace kv
