#include "audio/play_clips.h"

#include <set>

#include "audio/clip_player.h"
#include "platform/event.h"

namespace kv::audio {

std::vector<Clip> LoadClips(const std::vector<std::string>& names, const ClipLibrary& library,
                            std::ostream& err) {
  std::vector<Clip> clips;
  std::set<std::string> reported;
  for (const std::string& name : names) {
    std::optional<Clip> clip = library.Load(name);
    if (!clip && reported.insert(name).second)
      err << "No voice clip \"" << name << "\" (or it cannot be read): skipped.\n";
    clips.push_back(clip ? std::move(*clip) : Clip{});
  }
  return clips;
}

int PlayClips(const std::vector<std::string>& names, ClipLibrary& library, std::ostream& err) {
  std::string reason;
  std::unique_ptr<platform::SdlAudioOutput> output = platform::SdlAudioOutput::Open(&reason);
  if (!output) {
    err << NoSoundDeviceWarning(reason) << '\n';
    return 1;
  }
  ClipPlayer player(std::move(output));
  if (!player.Play(LoadClips(names, library, err))) {
    err << "The sound device took nothing.\n";
    return 1;
  }
  // A command may wait: it has nothing else to do until the last word.
  platform::Event never;
  while (player.Playing()) never.Wait(20);
  never.Wait(50);  // what the device itself still holds
  return 0;
}

}  // namespace kv::audio
