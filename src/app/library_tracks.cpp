#include "app/library_tracks.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/storage_context.h"
#include "online/track_download.h"
#include "online/track_index.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

constexpr std::string_view kLibraryOrigin = "library";

struct LibraryState {
  TrackList& tracks;
  std::string server, root;
  std::ostream& err;
  TerminalHttp::Mode mode;
  std::vector<TrackIndexEntry> entries;  // as last read
};

std::vector<TrackCandidate> Candidates(LibraryState& state, IntPoint fix) {
  const TrackSources own = LocalTrackSources(state.tracks);
  std::vector<TrackCandidate> found = own.candidates(fix);
  if (NearestTrack(found, fix)) return found;
  TerminalHttp http(state.err, state.mode, kLibraryLookupMs);
  const HttpResult index =
      http.Connect(state.server)
          ? http.Get(LibraryUrl(state.server, kIndexPage), Load(kStrDownloadingIndex).AsView())
          : HttpResult{};
  if (index.outcome != HttpOutcome::kSuccess) {
    state.err << "The track library at " << state.server << " could not be read"
              << (index.outcome == HttpOutcome::kTimedOut ? " in time" : "")
              << ": only your own tracks were looked at.\n";
    return found;
  }
  state.entries = ParseTrackIndex(index.body);
  for (const TrackIndexEntry& entry : state.entries)
    if (entry.start && !entry.name.IsEmpty())
      found.push_back(
          {ToUtf8(entry.name.AsView()).Std(), *entry.start, std::string(kLibraryOrigin)});
  return found;
}

std::optional<std::string> MakeLocal(LibraryState& state, const TrackCandidate& picked) {
  if (picked.origin == kLocalTrackOrigin) return picked.name;
  const TrackIndexEntry* entry = nullptr;
  for (const TrackIndexEntry& e : state.entries)
    if (e.start == picked.start && ToUtf8(e.name.AsView()).Std() == picked.name) entry = &e;
  if (entry == nullptr) return std::nullopt;
  const std::u16string_view name = entry->name.AsView();
  if (state.tracks.Find(name) >= 0) {
    state.err << "The track library's \"" << picked.name
              << "\" starts here, but a track of yours has that name: it was not replaced.\n";
    return std::nullopt;
  }
  TerminalHttp http(state.err, state.mode, kLibraryLookupMs);
  const HttpResult file = http.Connect(state.server)
                              ? http.Get(LibraryUrl(state.server, entry->file_name.AsView()),
                                         FormatU(kStrDownloadingTrack, name).AsView())
                              : HttpResult{};
  if (file.outcome != HttpOutcome::kSuccess) {
    PrintLine(state.err, FormatU(kStrCouldNotDownloadTrack, name));
    return std::nullopt;
  }
  const StoreResult stored = StoreLibraryTrack(state.tracks, state.root, name, file.body, false);
  if (stored.outcome != StoreOutcome::kStored) {
    PrintLine(state.err, FormatN(kStrCouldNotSaveTrack, stored.error));
    return std::nullopt;
  }
  PrintLine(state.err, FormatU(kStrTrackAdded, name));
  return picked.name;
}

}  // namespace

TrackSources OwnAndLibraryTrackSources(TrackList& tracks, std::string server, std::string root,
                                       std::ostream& err, TerminalHttp::Mode mode) {
  auto state = std::make_shared<LibraryState>(
      LibraryState{tracks, std::move(server), std::move(root), err, mode, {}});
  TrackSources sources;
  sources.candidates = [state](IntPoint fix) { return Candidates(*state, fix); };
  sources.make_local = [state](const TrackCandidate& picked) { return MakeLocal(*state, picked); };
  return sources;
}

}  // namespace kv::app
