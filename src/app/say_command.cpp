// `korvatinel say MILLISECONDS [--decimals D] [--sign] [--wav FILE]`: a lap
// time as the announcement would speak it. Prints the clip names one per
// line, then plays them, or with --wav writes them one after another as a
// single WAV file (a clip that cannot be found is skipped and named once on
// stderr).
#include <cstdint>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/storage_context.h"
#include "audio/clip_composer.h"
#include "audio/clip_library.h"
#include "audio/play_clips.h"
#include "audio/wav_clip.h"
#include "platform/file_io.h"

namespace kv::app {

namespace {

struct SayOptions {
  std::string data_dir;
  int32_t ms = 0;
  int32_t decimals = 1;
  bool sign = false;
  std::string wav;
};

int WriteAnnouncement(const std::vector<std::string>& names, const audio::ClipLibrary& library,
                      const std::string& path, std::ostream& err) {
  std::vector<int16_t> sound;
  std::set<std::string> reported;
  for (const std::string& name : names) {
    if (const auto clip = library.Load(name)) {
      sound.insert(sound.end(), clip->begin(), clip->end());
    } else if (reported.insert(name).second) {
      err << "No voice clip \"" << name << "\" (or it cannot be read): skipped.\n";
    }
  }
  const int error = audio::WriteWavFile(path, sound, audio::kClipRateHz);
  if (error == 0) return 0;
  err << "Cannot write " << path << ": "
      << (error > 0 ? platform::ErrorText(error) : "too long for a WAV file") << "\n";
  return 1;
}

int RunSay(const SayOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  audio::ClipLibrary library(context.storage.DefaultRoot(), context.storage.BundledSoundsFolder());
  const std::vector<std::string> names =
      audio::SplitClipList(audio::Compose(o.ms, o.decimals, o.sign));
  for (const std::string& name : names) out << name << "\n";
  out.flush();
  if (!o.wav.empty()) return WriteAnnouncement(names, library, o.wav, err);
  return audio::PlayClips(names, library, err);
}

}  // namespace

void AddSayCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<SayOptions>();
  CLI::App* say = cli.add_subcommand(
      "say", "Speak a lap time with the voice clips (or write it as a WAV file)");
  say->add_option("MILLISECONDS", o->ms, "The time in milliseconds (may be negative)")->required();
  say->add_option("--decimals", o->decimals, "Fraction digits spoken, 0 to 3 (1)")
      ->check(WholeWithin(0, 3));
  say->add_flag("--sign", o->sign, "Say \"plus\" before a positive time");
  say->add_option("--wav", o->wav, "Write the announcement to this WAV file instead of playing it")
      ->check(NotEmpty());
  commands.Add(say, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunSay(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
