#include "audio/clip_player.h"

#include <algorithm>
#include <utility>

namespace kv::audio {

namespace {

constexpr size_t kFadeSamples = platform::kClipRateHz / 200;  // 5 ms

}  // namespace

ClipPlayer::ClipPlayer(std::unique_ptr<platform::AudioOutput> output)
    : output_(std::move(output)) {}

bool ClipPlayer::Play(const std::vector<Clip>& clips) {
  if (output_ == nullptr) return false;
  Clip next = CutShort();
  for (const Clip& clip : clips) next.insert(next.end(), clip.begin(), clip.end());
  queued_ = std::move(next);
  return output_->Queue(queued_.data(), queued_.size());
}

void ClipPlayer::Stop() {
  if (output_ == nullptr) return;
  queued_ = CutShort();
  output_->Queue(queued_.data(), queued_.size());
}

bool ClipPlayer::Playing() const { return output_ != nullptr && output_->QueuedSamples() > 0; }

Clip ClipPlayer::CutShort() {
  const size_t dropped = output_->Clear();
  Clip fade;
  // More dropped than we queued would mean someone else queued too: then
  // where our sound stood is unknown, and a plain cut is all we can do.
  if (dropped == 0 || dropped > queued_.size()) return fade;
  const size_t from = queued_.size() - dropped;
  const auto steps = static_cast<int32_t>(std::min(dropped, kFadeSamples));
  fade.reserve(static_cast<size_t>(steps));
  for (int32_t i = 0; i < steps; ++i)
    fade.push_back(
        static_cast<int16_t>(queued_[from + static_cast<size_t>(i)] * (steps - i) / (steps + 1)));
  return fade;
}

std::string NoSoundDeviceWarning(std::string_view reason) {
  std::string line = "No sound device: lap times are not spoken (";
  line += reason;
  line += ").";
  // One line whatever the driver said.
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

}  // namespace kv::audio
