// Background music: MIDI files, CD audio (track files in the game's cd/ folder) and MP3 streams.
// The three sources are independent; starting one never stops another.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "platform/files.h"
#include "platform/media/decoders.h"
#include "platform/media/media_port.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

namespace {

// A fade-out longer than this is shortened to it: the fade blocks the script while it runs.
constexpr int32_t kMaxCdFadeMs = 10000;
// Track files are cd/trackNN.<ext>; numbers beyond this are not looked for.
constexpr int kMaxCdTracks = 99;
const char* const kTrackExtensions[] = {"ogg", "mp3", "wav", "flac", "oga", "opus"};

// ---- MIDI ----

bool startMidiSource(Engine& e) {
  auto opened = openMidi(e.sound.midiBytes, findSoundFont());
  if (!opened.source) {
    warnCannotPlay(e.sound.midiName, opened.error);
    // Nothing to restart: the timer would only fail again every tick.
    e.sound.midiBytes.reset();
    return false;
  }
  return media(e).play(kSlotMidi, std::move(opened.source)) != 0;
}

// ---- CD audio ----

// "track03.ogg" -> 3; 0 when the name is not a track file.
int trackNumberOf(const std::string& fileName) {
  std::string n = fileName;
  for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (n.rfind("track", 0) != 0) return 0;
  size_t i = 5, start = 5;
  while (i < n.size() && std::isdigit(static_cast<unsigned char>(n[i]))) ++i;
  if (i == start || i - start > 3 || i >= n.size() || n[i] != '.') return 0;
  std::string ext = n.substr(i + 1);
  if (std::find(std::begin(kTrackExtensions), std::end(kTrackExtensions), ext) == std::end(kTrackExtensions))
    return 0;
  int t = std::atoi(n.substr(start, i - start).c_str());
  return t >= 1 && t <= kMaxCdTracks ? t : 0;
}

// The host path of track n's file in the open folder; empty when there is none.
std::string trackFile(Engine& e, int n) {
  std::string found;
  for (const std::string& name : fs::listHostDirectory(e.sound.cdFolder)) {
    const std::string path = fs::joinHost(e.sound.cdFolder, name);
    if (trackNumberOf(name) != n || fs::isHostDirectory(path)) continue;
    // Several encodings of one track: the first extension in our list wins.
    std::string ext = lowerExtension(name);
    auto rank = [](const std::string& x) {
      return std::find(std::begin(kTrackExtensions), std::end(kTrackExtensions), x) - std::begin(kTrackExtensions);
    };
    if (found.empty() || rank(ext) < rank(lowerExtension(found))) found = path;
  }
  return found;
}

// Opens the "drive": the chosen folder, or the game's cd/ folder, and counts its tracks.
void openCdDevice(Engine& e) {
  SoundState& s = e.sound;
  std::string folder;
  if (s.cdDrive.empty()) {
    folder = fs::resolve("cd").value_or("");
  } else {
    std::string drive = sjisToUtf8(s.cdDrive);
    if (!drive.empty() && drive[0] != '/') drive = fs::resolve(s.cdDrive).value_or(fs::joinHost(fs::gameDirectory(), drive));
    folder = drive;
  }
  int count = 0;
  if (!folder.empty() && fs::isHostDirectory(folder)) {
    for (const std::string& name : fs::listHostDirectory(folder)) count = std::max(count, trackNumberOf(name));
  }
  if (count == 0) {
    // No disc: CD audio stays silent for the rest of the run; requests are still remembered.
    s.cdUnusable = 1;
    return;
  }
  s.cdFolder = folder;
  s.cdTrackCount = count;
  s.cdOpen = 1;
}

bool cdPlaying(Engine& e) { return media(e).playing(kSlotCd); }

// Lowers the CD volume in 99 steps over cdFadeTime, stops it, and restores the volume.
void fadeOutCd(Engine& e, int32_t fadeTime) {
  MediaPort& m = media(e);
  const uint32_t stepTime = static_cast<uint32_t>(std::min(fadeTime, kMaxCdFadeMs)) / 100;
  for (int n = 99; n >= 1; --n) {
    uint32_t t0 = e.platform.timeGetTime();
    m.setGain(kSlotCd, musicGain(e) * static_cast<float>(n) / 100.0f);
    // The step's own time counts against the step; it always lasts at least 1 ms.
    const uint32_t now = e.platform.timeGetTime();
    uint32_t next = t0 + stepTime;
    if (!timeReached(next, now + 1)) next = now + 1;
    waitUntil(e, next);
  }
  m.stop(kSlotCd);
  m.setGain(kSlotCd, musicGain(e));
}

void stopCd(Engine& e) {
  SoundState& s = e.sound;
  if (s.cdTrack != -1) {
    // Only a track that sounds is faded; there is nothing to wait for otherwise.
    if (s.cdFadeTime > 0 && !e.app.cdFadeOff && cdPlaying(e))
      fadeOutCd(e, s.cdFadeTime);
    else
      media(e).stop(kSlotCd);
  }
  s.cdTrack = -1;
}

}  // namespace

void playMidi(Engine& e, const std::string& name, bool loop) {
  SoundState& s = e.sound;
  stopMidi(e);
  s.midiLoop = 0;
  if (name.empty()) return;
  s.midiName = name;
  auto file = prepareSoundFile(e, name, "mid", "Velotmp.mid");
  if (!file) return;
  if (file->temporary) s.midiTempFile = file->hostPath;
  s.midiBytes = readSoundBytes(file->hostPath);
  if (!s.midiBytes) return;
  if (!startMidiSource(e)) return;
  s.midiLoop = loop;
}

void stopMidi(Engine& e) {
  SoundState& s = e.sound;
  media(e).stop(kSlotMidi);
  s.midiBytes.reset();
  deleteTempFile(s.midiTempFile);
  s.midiName.clear();
}

void playCdTrack(Engine& e, int track, bool loop) {
  SoundState& s = e.sound;
  // Track 0 stops CD audio; so does a negative number (no disc has one).
  if (track <= 0) {
    stopCd(e);
    return;
  }
  if (track == s.cdTrack && cdPlaying(e)) return;
  stopCd(e);
  s.cdTrack = track;
  s.cdLoop = loop;
  if (s.cdUnusable || !s.cdEnabled) return;
  if (!s.cdOpen) openCdDevice(e);
  if (!s.cdOpen) return;
  media(e).stop(kSlotCd);
  int n = std::min(track, s.cdTrackCount);
  std::string path = trackFile(e, n);
  if (path.empty()) {
    if (e.res.noLoadError) return;
    char shown[32];
    std::snprintf(shown, sizeof shown, "cd\\track%02d", n);
    reportScriptErrorF(e, sj("ロードエラー"), sj("ファイル%sを開けません。"), shown);
  }
  auto bytes = readSoundBytes(path);
  OpenedSound opened;
  if (!bytes)
    opened.error = "cannot read " + path;
  else
    opened = lowerExtension(path) == "mp3" ? openMp3(bytes, false) : openSoundFile(bytes, false);
  if (!opened.source) reportScriptError(e, sj("CD-DA再生エラー"), utf8ToSjis(opened.error));
  media(e).play(kSlotCd, std::move(opened.source), true);
}

void stopCdAudio(Engine& e) { stopCd(e); }

void chooseCdDrive(Engine& e, const std::string& drive) {
  if (drive == e.sound.cdDrive) return;
  e.sound.cdDrive = drive;
  closeCdDevice(e);
  // The folder that held no tracks is no longer the drive: the new one gets its chance.
  e.sound.cdUnusable = 0;
}

void setCdEnabled(Engine& e, bool on) { e.sound.cdEnabled = on ? 1 : 0; }

bool holdsCdTracks(const std::string& hostDirectory) {
  for (const std::string& name : fs::listHostDirectory(hostDirectory))
    if (trackNumberOf(name) != 0) return true;
  return false;
}

void closeCdDevice(Engine& e) {
  SoundState& s = e.sound;
  media(e).stop(kSlotCd);
  s.cdOpen = 0;
  s.cdFolder.clear();
  s.cdTrackCount = 0;
}

void soundPlayNotify(Engine& e, unsigned wParam) {
  SoundState& s = e.sound;
  if (wParam != MCI_NOTIFY_SUCCESSFUL) return;
  // A notice that arrives after another track has started belongs to the earlier one.
  if (!s.cdLoop || s.cdTrack == -1 || cdPlaying(e)) return;
  if (media(e).endedSilently(kSlotCd)) {
    // A track without a single frame would be restarted at the mixer's pace.
    char shown[32];
    std::snprintf(shown, sizeof shown, "cd\\track%02d", std::min(s.cdTrack, s.cdTrackCount));
    warnCannotPlay(shown, kEndsAtOnce);
    return;
  }
  int track = s.cdTrack;
  int32_t fade = s.cdFadeTime;
  s.cdFadeTime = 0;
  s.cdTrack = 9999;  // not the same track, so the request is not taken for the one playing
  playCdTrack(e, track, true);
  s.cdFadeTime = fade;
}

void playMp3(Engine& e, const std::string& name, bool loop) {
  SoundState& s = e.sound;
  stopMp3(e);
  s.mp3Loop = 0;
  if (name.empty()) return;
  s.mp3Name = name;
  auto file = locateMediaFile(e, name);
  if (!file) return;
  if (file->temporary) s.mp3TempFile = file->hostPath;
  s.mp3Loop = loop;
  auto opened = openMp3(readSoundBytes(file->hostPath), loop);
  if (!opened.source) {
    warnCannotPlay(name, opened.error.empty() ? "cannot read the file" : opened.error);
    return;
  }
  media(e).play(kSlotMp3, std::move(opened.source));
}

void stopMp3(Engine& e) {
  SoundState& s = e.sound;
  if (s.mp3Name.empty()) return;
  media(e).stop(kSlotMp3);
  deleteTempFile(s.mp3TempFile);
  s.mp3Name.clear();
}

void musicTimerTick(Engine& e) {
  SoundState& s = e.sound;
  // A looping MIDI that has reached its end starts again from the top; one the synthesizer
  // could not play at all is not rebuilt every tick.
  if (!s.midiLoop || !s.midiBytes || media(e).playing(kSlotMidi)) return;
  if (media(e).endedSilently(kSlotMidi)) {
    warnCannotPlay(s.midiName, kEndsAtOnce);
    s.midiBytes.reset();
    return;
  }
  startMidiSource(e);
}

// ---- commands ----

namespace {

void playCommand(Engine& e, bool loop) {
  std::string arg = readString(e);
  if (!arg.empty() && arg[0] == '*') {
    playCdTrack(e, std::atoi(arg.c_str() + 1), loop);
    return;
  }
  playMidi(e, arg, loop);
}

void cmdPlay(Engine& e, std::string_view, bool) { playCommand(e, true); }
void cmdPlayOnce(Engine& e, std::string_view, bool) { playCommand(e, false); }
// In the extended dialect playstop and stop end the bgm music too (with its fade); the
// channels go on.
void cmdPlayStop(Engine& e, std::string_view, bool) {
  stopCd(e);
  stopMidi(e);
  if (extendedDialect(e)) stopBgm(e, true);
}
void cmdStop(Engine& e, std::string_view, bool) {
  stopCd(e);
  stopMidi(e);
  stopWave(e);
  if (extendedDialect(e)) stopBgm(e, true);
}
void cmdMp3(Engine& e, std::string_view, bool) { playMp3(e, readString(e), false); }
void cmdMp3Loop(Engine& e, std::string_view, bool) { playMp3(e, readString(e), true); }
void cmdCdFadeOut(Engine& e, std::string_view, bool) { e.sound.cdFadeTime = readNumber(e); }

}  // namespace

void registerMusicCommands(CommandTable& t) {
  t.add("play", cmdPlay, kOwnCheck);
  t.add("playonce", cmdPlayOnce, kOwnCheck);
  t.add("playstop", cmdPlayStop, "");
  t.add("stop", cmdStop, "");
  t.add("mp3", cmdMp3, "a");
  t.add("mp3loop", cmdMp3Loop, "a");
  t.add("cdfadeout", cmdCdFadeOut, "n");
}

}  // namespace veloria
