#include "core/data_flow.h"

#include <utility>

namespace kv {

DataFlow::DataFlow(std::array<SentenceReader*, kSourceCount> readers, SampleFeed& samples,
                   ViewManager& views, std::function<void()> reset_obd_decoder)
    : readers_(readers),
      samples_(samples),
      views_(views),
      reset_obd_decoder_(std::move(reset_obd_decoder)) {}

void DataFlow::OnData(std::string_view text, int32_t source_id) {
  if (source_id < 0 || source_id >= kSourceCount || !readers_[source_id]) return;
  SentenceReader& reader = *readers_[source_id];
  // The parser bounds its buffer by dropping it when one append would pass
  // the bound; a fast replay hands over far bigger texts than a receiver
  // does, so they go in in receiver-sized pieces, each parsed before the next.
  constexpr size_t kPiece = 4096;
  do {
    const std::string_view piece = text.substr(0, kPiece);
    text.remove_prefix(piece.size());
    reader.Append(piece);
    Process(reader);
  } while (!text.empty());
}

void DataFlow::Process(SentenceReader& reader) {
  if (!session_) return;
  bool sample_handled = false, obd_handled = false, position_handled = false;
  while (reader.NextSentence()) {
    const FixRecord& fix = reader.Fix();
    session_->LogNmea(reader.RawLine());
    samples_.Feed(fix);
    if (TakeSamples()) sample_handled = true;
    // Or-ed, not replaced: a full refresh asked for by an earlier sample of
    // the batch must not be lost to an OBD-II record after it.
    if (samples_.NewObdValue()) full_refresh_ = session_->RecordObd(samples_.LastObd()) || full_refresh_;
    if (fix.type == kSentenceGga || fix.type == kSentenceRmc || fix.type == kSentenceGns || fix.type == kSentenceGll)
      position_handled = true;
    if (fix.type == kSentenceObd) {
      session_->TakeObdValues(fix);
      obd_handled = true;
    }
  }
  // An epoch without a fix still redraws, so the status shows the lost fix.
  if (sample_handled || obd_handled || (position_handled && samples_.FixQuality() == 0))
    redraw_pending_ = true;
  if (redraw_pending_) {
    views_.RefreshLive(full_refresh_);
    redraw_pending_ = false;
    full_refresh_ = false;
  }
}

bool DataFlow::TakeSamples() {
  bool any = false;
  for (bool more = samples_.NewSample(); more; more = samples_.NextSample()) {
    full_refresh_ = session_->RecordSample(samples_.Sample(), samples_.SampleDateTime()) || full_refresh_;
    session_->ClearPendingMessage();
    any = true;
  }
  return any;
}

void DataFlow::OnStateChange(int32_t source_id, SourceState /*state*/) {
  // The last epoch of a recording, or the one a lost connection cut short,
  // is not left waiting for a next one that does not come.
  if (source_id == kSourceGps && session_ != nullptr) {
    samples_.EndOfInput();
    TakeSamples();
  }
  if (source_id >= 0 && source_id < kSourceCount && readers_[source_id])
    readers_[source_id]->Clear();
  if (source_id == kSourceObd && reset_obd_decoder_) reset_obd_decoder_();
  views_.RefreshStatus();
}

}  // namespace kv
