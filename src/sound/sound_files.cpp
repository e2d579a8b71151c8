// Making sound files available: the file-access rules, sound-press conversion, temporary files.
#include <cstdio>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "script/script.h"
#include "sound/sound_internal.h"

namespace veloria {

std::string lowerExtension(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(path.substr(dot + 1));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return ext;
}

std::optional<PreparedSound> prepareSoundFile(Engine& e, std::string_view name, std::string_view extension,
                                              const char* convertedName) {
  return prepareSoundFile(e, name, {extension}, convertedName);
}

std::optional<PreparedSound> prepareSoundFile(Engine& e, std::string_view name,
                                              std::initializer_list<std::string_view> extensions,
                                              const char* convertedName) {
  auto file = locateMediaFile(e, name);
  if (!file) return std::nullopt;
  const std::string ext = lowerExtension(file->hostPath);
  for (std::string_view x : extensions)
    if (ext == x) return PreparedSound{file->hostPath, file->temporary};

  auto library = soundPressPluginFor(e, ext);
  if (!library) {
    releaseMediaFile(*file);
    if (e.res.noLoadError) return std::nullopt;
    reportScriptErrorF(e, sj("ロードエラー"), sj("ファイル%sを開けません。"), name);
  }
  if (e.app.tempDirectory.empty()) {
    releaseMediaFile(*file);
    return std::nullopt;
  }
  const std::string converted = e.app.tempDirectory + convertedName;
  bool ran = runSoundPressPlugin(e, *library, file->hostPath, converted);
  // The extracted original is no longer needed once converted (or when conversion is impossible).
  releaseMediaFile(*file);
  if (!ran) return std::nullopt;
  return PreparedSound{converted, true};
}

std::shared_ptr<const std::vector<uint8_t>> readSoundBytes(const std::string& hostPath) {
  auto data = fs::readHostFile(hostPath);
  if (!data) return nullptr;
  return std::make_shared<const std::vector<uint8_t>>(std::move(*data));
}

void deleteTempFile(std::string& hostPath) {
  if (!hostPath.empty()) std::remove(hostPath.c_str());
  hostPath.clear();
}

void warnCannotPlay(std::string_view sjisName, const std::string& why) {
  std::fprintf(stderr, "veloria: cannot play %s: %s\n", sjisToUtf8(sjisName).c_str(), why.c_str());
}

bool soundEffectsAllowed(Engine& e) {
  if (!e.sound.waveOn) return false;
  return !e.text.skipMode || e.sound.waveDemoMode;
}

}  // namespace veloria
