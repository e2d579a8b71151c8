// Shared by the sound subsystem's files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace veloria {

inline MediaPort& media(Engine& e) { return e.platform.media(); }

// A sound file made available for playing: the loose file, an archive member extracted into
// the temporary directory, or the file a sound-press plug-in converted it into.
struct PreparedSound {
  std::string hostPath;
  bool temporary = false;  // delete when done (deleteTempFile)
};

// The file-access and conversion steps every sound takes: find the file (missing: the load
// error, or nothing with noloaderror); when its extension (lower-cased) is not `extension`,
// convert it with the sound-press plug-in registered for its extension into `convertedName`
// in the temporary directory (no plug-in registered: the load error, or nothing with
// noloaderror; a plug-in library or its expand that cannot be had: nothing, silently).
std::optional<PreparedSound> prepareSoundFile(Engine& e, std::string_view name, std::string_view extension,
                                              const char* convertedName);
// The same for a sound that may come in any of `extensions` without conversion.
std::optional<PreparedSound> prepareSoundFile(Engine& e, std::string_view name,
                                              std::initializer_list<std::string_view> extensions,
                                              const char* convertedName);
// The file's bytes, or null when it cannot be read.
std::shared_ptr<const std::vector<uint8_t>> readSoundBytes(const std::string& hostPath);
// Removes an extracted or converted file and forgets it.
void deleteTempFile(std::string& hostPath);
// The extension of a game or host path's file name, lower-cased, without the dot.
std::string lowerExtension(std::string_view path);
// "veloria: cannot play NAME: WHY" on standard error (failures the script is not told of).
void warnCannotPlay(std::string_view sjisName, const std::string& why);
// Why a looping sound that gave no sound at all is not started again.
inline constexpr const char* kEndsAtOnce = "it ends as soon as it starts, so it is not looped";

// Whether a new sound effect or voice may start (ＷＡＶＥ on, and not skipping unless the
// script asked for sound in skip mode).
bool soundEffectsAllowed(Engine& e);

// The window timer's restarts of a looping MIDI and a looping wave sound.
void musicTimerTick(Engine& e);
void waveTimerTick(Engine& e);

void stopAllChannels(Engine& e);

// ---- the extended dialect's music and volumes ----
// The music volume as a gain (0..1), for every music slot and the movie of `movie`.
float musicGain(const Engine& e);
// Puts every slot's gain to what the volumes say (after a reset of the volumes).
void applyVolumes(Engine& e);
// Stops the bgm music, fading it out over bgmFadeMs first when `fade` and it sounds.
void stopBgm(Engine& e, bool fade);
// Plays the bgm music; `kind` says how (a looping file, once, or once and then `loopName`).
void playBgm(Engine& e, const std::string& name, BgmKind kind, const std::string& loopName);
void bgmTimerTick(Engine& e);
void registerBgmCommands(class CommandTable& t);
void closeMovie(Engine& e);
void registerMusicCommands(class CommandTable& t);
void registerWaveCommands(class CommandTable& t);
void registerMovieCommands(class CommandTable& t);

}  // namespace veloria
