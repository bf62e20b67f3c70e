#include "app/library_client.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <vector>

#include "app/argument_checks.h"
#include "app/json_text.h"
#include "app/library_tracks.h"
#include "app/storage_context.h"
#include "app/terminal_http.h"
#include "app/track_commands.h"
#include "core/lat_lon_text.h"
#include "online/http_url.h"
#include "online/track_download.h"
#include "online/track_index.h"
#include "storage/track_list.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/text_compare.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

// A text of the library for a terminal: control characters (an escape
// sequence could rewrite the screen) as U+FFFD.
std::string Shown(std::u16string_view text) {
  std::u16string shown(text);
  for (char16_t& c : shown)
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = u'\uFFFD';
  return Utf8(shown);
}

// --server, else the setting, else the default. Empty after telling the
// user (a usage error).
std::string ChooseServer(const LibraryOptions& o, const Settings& settings, std::ostream& err) {
  const std::string server = o.server.empty() ? LibraryServerOf(settings) : o.server;
  ServerAddress ignored;
  if (SplitServer(server, &ignored)) return server;
  err << "The track library server must be HOST or HOST:PORT, not \"" << server << "\"\n";
  return {};
}

// The result of a request the command cannot go on without: true on
// success; otherwise says why (`failure` unless the user cancelled).
bool Succeeded(const HttpResult& result, std::u16string_view failure, std::ostream& err) {
  if (result.outcome == HttpOutcome::kSuccess) return true;
  if (result.outcome == HttpOutcome::kCancelled)
    err << "Cancelled.\n";
  else
    PrintLine(err, failure);
  return false;
}

// The index, or nothing after telling the user.
std::optional<std::vector<TrackIndexEntry>> FetchIndex(TerminalHttp& http,
                                                       const std::string& server,
                                                       std::ostream& err) {
  if (!http.Connect(server)) return std::nullopt;
  const HttpResult index =
      http.Get(LibraryUrl(server, kIndexPage), Load(kStrDownloadingIndex).AsView());
  if (!Succeeded(index, Load(kStrCouldNotDownloadIndex).AsView(), err)) {
    if (index.outcome != HttpOutcome::kCancelled)
      err << "(The track library asked was " << server
          << "; another is given with --server or `korvatinel settings set library-server HOST[:PORT]`.)\n";
    return std::nullopt;
  }
  return ParseTrackIndex(index.body);
}

nlohmann::json EntryJson(const TrackIndexEntry& entry) {
  nlohmann::json start;  // null without a position
  if (entry.start)
    start = {{"lat_deg", JsonReal(entry.start->lat / kAngleValuesPerDegree, kDegreeDecimals)},
             {"lon_deg", JsonReal(entry.start->lon / kAngleValuesPerDegree, kDegreeDecimals)}};
  return {{"name", Utf8(entry.name.AsView())},
          {"description", Utf8(entry.description.AsView())},
          {"file", std::string(entry.file_name.AsView())},
          {"start", start}};
}

// Characters, not bytes, so that names with accents line up.
size_t CountCharacters(std::string_view utf8) {
  return static_cast<size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void PrintColumns(const std::vector<std::pair<std::string, std::string>>& rows, std::ostream& out) {
  size_t width = 0;
  for (const auto& row : rows) width = std::max(width, CountCharacters(row.first));
  for (const auto& [left, right] : rows)
    out << left << std::string(width - CountCharacters(left) + 2, ' ') << right << '\n';
}

}  // namespace

int RunLibraryList(const LibraryOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  const std::string server = ChooseServer(o, context.settings, err);
  if (server.empty()) return 2;
  TerminalHttp http(err);
  const auto entries = FetchIndex(http, server, err);
  if (!entries) return 1;
  std::vector<TrackGroup> groups = TrackGroups(*entries);
  if (!o.group.empty()) {
    const WideString wanted = FromUtf8(o.group);
    std::erase_if(groups, [&wanted](const TrackGroup& g) { return g.name != wanted; });
    if (groups.empty()) {
      err << "The library has no group \"" << o.group << "\" (group names are case-sensitive).\n";
      return 1;
    }
  }
  if (o.json) {
    nlohmann::json doc = {{"server", server}, {"groups", nlohmann::json::array()}};
    for (const TrackGroup& group : groups) {
      nlohmann::json tracks = nlohmann::json::array();
      for (const TrackIndexEntry* entry : GroupEntries(*entries, group.name.AsView()))
        tracks.push_back(EntryJson(*entry));
      doc["groups"].push_back(
          {{"name", Utf8(group.name.AsView())}, {"track_count", group.count}, {"tracks", tracks}});
    }
    out << JsonText(doc) << '\n';
    return 0;
  }
  std::vector<std::pair<std::string, std::string>> rows;
  if (o.group.empty()) {
    for (const TrackGroup& group : groups)
      rows.emplace_back(Shown(group.name.AsView()),
                        Utf8(FormatN(kStrTrackCount, group.count).AsView()));
  } else {
    for (const TrackIndexEntry* entry : GroupEntries(*entries, groups.front().name.AsView()))
      rows.emplace_back(Shown(entry->name.AsView()), Shown(entry->description.AsView()));
  }
  PrintColumns(rows, out);
  if (groups.empty()) err << "The library lists no tracks.\n";
  return 0;
}

int RunLibraryDownload(const LibraryOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  const std::string server = ChooseServer(o, context.settings, err);
  if (server.empty()) return 2;
  const WideString name = FromUtf8(o.name);
  TrackList tracks(context.storage);
  tracks.Refresh();
  // Asked before anything is fetched; asked again by the store below, in
  // case the track appeared meanwhile.
  const auto refuse_overwrite = [&] {
    PrintLine(err, FormatU(kStrOverwriteTrackQuestion, name.AsView()));
    err << "Not overwritten: give --yes to replace it.\n";
    return 1;
  };
  if (!o.yes && tracks.Find(name.AsView()) >= 0) return refuse_overwrite();

  TerminalHttp http(err);
  const auto entries = FetchIndex(http, server, err);
  if (!entries) return 1;
  const WideString group = FromUtf8(o.group);
  std::vector<const TrackIndexEntry*> found;
  for (const TrackIndexEntry& entry : *entries)
    if (entry.name == name && (o.group.empty() || entry.group == group)) found.push_back(&entry);
  if (found.empty()) {
    err << "The library has no track \"" << o.name << "\""
        << (o.group.empty() ? "" : " in group \"" + o.group + "\"")
        << " (names are case-sensitive; see `korvatinel library list`).\n";
    return 1;
  }
  if (found.size() > 1) {
    err << "\"" << o.name << "\" is in several groups; give one with --group:\n";
    for (const TrackIndexEntry* entry : found) err << "  " << Shown(entry->group.AsView()) << '\n';
    return 2;
  }
  const TrackIndexEntry& entry = *found.front();
  // Giving the command is the answer to "Do you want to download ...?".
  const HttpResult file = http.Get(LibraryUrl(server, entry.file_name.AsView()),
                                   FormatU(kStrDownloadingTrack, name.AsView()).AsView());
  if (!Succeeded(file, FormatU(kStrCouldNotDownloadTrack, name.AsView()).AsView(), err)) return 1;
  const StoreResult stored =
      StoreLibraryTrack(tracks, context.RootForNewFiles(), name.AsView(), file.body, o.yes);
  switch (stored.outcome) {
    case StoreOutcome::kStored:
      PrintLine(out, FormatU(kStrTrackAdded, name.AsView()));
      return 0;
    case StoreOutcome::kExists:
      return refuse_overwrite();
    case StoreOutcome::kBadName:
      err << "The library's track name \"" << o.name
          << "\" cannot be a file name here; nothing was saved.\n";
      return 1;
    case StoreOutcome::kNotATrack:
    case StoreOutcome::kWriteFailed:
      PrintLine(err, FormatN(kStrCouldNotSaveTrack, stored.error));
      return 1;
  }
  return 1;
}

int RunLibraryUpload(const LibraryOptions& o, std::ostream& out, std::ostream& err) {
  if (o.email.empty()) {
    PrintLine(err, Load(kStrUploadNeedsEmail));
    return 2;
  }
  if (o.description.empty()) {
    PrintLine(err, Load(kStrUploadNeedsDescription));
    return 2;
  }
  StorageContext context(o.data_dir);
  const std::string server = ChooseServer(o, context.settings, err);
  if (server.empty()) return 2;
  TrackList tracks(context.storage);
  tracks.Refresh();
  const int32_t index = tracks.Find(FromUtf8(o.name).AsView());
  if (index < 0) {
    err << "No such track: " << o.name << '\n';
    return 1;
  }
  TrackProfile& track = tracks.At(index);
  if (!LoadWholeTrack(track, err)) return 1;
  TerminalHttp http(err);
  if (!http.Connect(server)) return 1;
  HttpClient& client = http.Client();
  client.BeginForm();
  client.AddFieldPart("email", FromUtf8(o.email).AsView());
  client.AddFieldPart("description", FromUtf8(o.description).AsView());
  client.AddFilePart("attachment", track.name.AsView(), SerializeTrackFile(track).AsView());
  const HttpResult reply = http.Post(LibraryUrl(server, kUploadPage), Load(kStrUploading).AsView());
  if (!Succeeded(reply, Load(kStrCouldNotUpload).AsView(), err)) return 1;
  if (!IsUploadAccepted(reply.body)) {
    PrintLine(err, Load(kStrCouldNotUpload));
    return 1;
  }
  PrintLine(out, Load(kStrUploadThanks));
  return 0;
}

void AddLibraryClientCommands(CLI::App& library, const GlobalOptions& globals,
                              CommandList& commands) {
  auto o = std::make_shared<LibraryOptions>();
  const auto add = [&](CLI::App* command,
                       int (*run)(const LibraryOptions&, std::ostream&, std::ostream&)) {
    command->add_option("--server", o->server,
                        "The library's HOST[:PORT] (default: the library-server setting)");
    commands.Add(command, [o, &globals, run] {
      o->data_dir = globals.data_dir;
      return run(*o, std::cout, std::cerr);
    });
  };
  CLI::App* list =
      library.add_subcommand("list", "List the library's groups, or the tracks of one group");
  list->add_option("--group", o->group, "The tracks of this group (case-sensitive)");
  list->add_flag("--json", o->json, "Every group with its tracks as JSON");
  add(list, RunLibraryList);

  CLI::App* download = library.add_subcommand(
      "download", "Download a track of the library into your track profiles");
  download->add_option("NAME", o->name, "The track's name in the library")
      ->required()
      ->check(NotEmpty());
  download->add_option("--group", o->group,
                       "The group of the track, when several groups have one of that name");
  download->add_flag("--yes", o->yes, "Replace a track profile of the same name");
  add(download, RunLibraryDownload);

  CLI::App* upload =
      library.add_subcommand("upload", "Send one of your track profiles to the library");
  upload->add_option("TRACK", o->name, "The track profile")->required();
  upload->add_option("--email", o->email, "Your e-mail address")->required();
  upload->add_option("--description", o->description, "What the track is (shown under its name)")
      ->required();
  add(upload, RunLibraryUpload);
}

}  // namespace kv::app
