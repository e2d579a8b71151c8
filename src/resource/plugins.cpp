// Plug-in registrations, the cache of loaded plug-in libraries, and the calls into image and
// sound-press plug-ins.
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/plugin_abi.h"
#include "resource/resource.h"
#include "resource/resource_internal.h"
#include "script/script.h"

namespace veloria {

namespace {

// ASCII capitals to small letters, leaving double-byte characters whole (their trail bytes
// may fall in A-Z, and changing those would name another file).
std::string lowerSetting(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (isSjisLead(c) && i + 1 < out.size())
      ++i;
    else if (c >= 'A' && c <= 'Z')
      out[i] = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

std::optional<std::string> pluginFor(const std::vector<std::string>& list, std::string_view ext) {
  for (const std::string& s : list) {
    auto [library, extension] = splitPluginSetting(s);
    if (extension == ext) return std::string(library);
  }
  return std::nullopt;
}

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Frees a block the plug-in allocated with malloc.
struct PluginBlock {
  void* p = nullptr;
  ~PluginBlock() { std::free(p); }
  size_t size() const { return p ? malloc_usable_size(p) : 0; }
  const uint8_t* bytes() const { return static_cast<const uint8_t*>(p); }
};

// Pictures beyond this are refused rather than copied.
constexpr int64_t kMaxPluginPictureSide = 32767;

}  // namespace

void* pluginModule(Engine& e, std::string_view library) {
  PluginModuleCache& cache = e.res.modules;
  for (int i = 0; i < cache.used; ++i)
    if (cache.slots[static_cast<size_t>(i)].name == library) return cache.slots[static_cast<size_t>(i)].module;
  if (cache.used == PluginModuleCache::kSlots || library.empty()) return nullptr;
  auto host = fs::resolve(library);
  if (!host) return nullptr;
  void* module = dynlib::open(*host);
  if (!module) return nullptr;
  auto& slot = cache.slots[static_cast<size_t>(cache.used++)];
  slot.name = std::string(library);
  slot.module = module;
  return module;
}

void* pluginFunction(Engine& e, std::string_view library, const char* symbol) {
  return dynlib::symbol(pluginModule(e, library), symbol);
}

std::optional<std::string> imagePluginFor(Engine& e, std::string_view extension) {
  return pluginFor(e.res.imagePlugins, extension);
}

std::optional<std::string> soundPressPluginFor(Engine& e, std::string_view extension) {
  return pluginFor(e.res.soundPressPlugins, extension);
}

void addPluginSetting(Engine& e, PluginList list, std::string_view setting) {
  std::vector<std::string>& v = list == PluginList::archive ? e.res.archivePlugins
                                : list == PluginList::image ? e.res.imagePlugins
                                                            : e.res.soundPressPlugins;
  if (v.size() >= kPluginSettingsMax)
    reportScriptError(e, sj("エラー"), list == PluginList::soundPress
                                           ? sj("Sound press plug-in設定が多すぎます。")
                                           : sj("SPI設定が多すぎます。"));
  if (setting.find('|') == std::string_view::npos)
    reportScriptError(e, sj("エラー"),
                      formatMessage(sj("プラグインの設定%sに|がありません。"), setting));
  v.push_back(lowerSetting(setting));
}

std::optional<PluginPicture> loadPictureWithPlugin(Engine& e, std::string_view library,
                                                   const std::string& hostPath) {
  auto getPicture = reinterpret_cast<VeloriaGetPictureFn>(pluginFunction(e, library, "GetPicture"));
  if (!getPicture) return std::nullopt;
  PluginBlock info, pixels;
  int32_t r = getPicture(hostPath.c_str(), 0, VELORIA_PLUGIN_FROM_FILE, &info.p, &pixels.p,
                         nullptr, 0);
  if (r != 0 || !info.p || !pixels.p || info.size() < 40) return std::nullopt;

  PluginPicture pic;
  std::memcpy(pic.infoHeader, info.bytes(), 40);
  pic.width = static_cast<int32_t>(le32(pic.infoHeader + 4));
  pic.height = static_cast<int32_t>(le32(pic.infoHeader + 8));
  pic.bitCount = static_cast<uint16_t>(pic.infoHeader[14] | pic.infoHeader[15] << 8);
  pic.compression = le32(pic.infoHeader + 16);
  uint32_t colorsUsed = le32(pic.infoHeader + 32);
  const int64_t w = pic.width, h = pic.height < 0 ? -int64_t{pic.height} : pic.height;
  if (w <= 0 || h == 0 || w > kMaxPluginPictureSide || h > kMaxPluginPictureSide) return std::nullopt;
  switch (pic.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return std::nullopt;
  }
  uint64_t paletteCount = colorsUsed ? colorsUsed : (pic.bitCount <= 8 ? 1u << pic.bitCount : 0);
  if (paletteCount > 256 || info.size() < 40 + paletteCount * 4) return std::nullopt;
  const uint64_t stride = (static_cast<uint64_t>(w) * pic.bitCount + 31) / 32 * 4;
  const uint64_t imageSize = stride * static_cast<uint64_t>(h);
  if (pixels.size() < imageSize) return std::nullopt;
  pic.palette.assign(info.bytes() + 40, info.bytes() + 40 + paletteCount * 4);
  pic.pixels.assign(pixels.bytes(), pixels.bytes() + imageSize);
  return pic;
}

bool runSoundPressPlugin(Engine& e, std::string_view library, const std::string& sourceHost,
                         const std::string& destinationHost) {
  auto expand = reinterpret_cast<VeloriaExpandFn>(pluginFunction(e, library, "expand"));
  if (!expand) return false;
  expand(sourceHost.c_str(), destinationHost.c_str());
  return true;
}

// ---- commands ----

namespace {

void cmdVla(Engine& e, std::string_view, bool) { enableArchives(e, true); }
void cmdNoLoadError(Engine& e, std::string_view, bool) { e.res.noLoadError = 1; }
void cmdArc(Engine& e, std::string_view, bool) {
  addPluginSetting(e, PluginList::archive, readString(e));
}
void cmdSpi(Engine& e, std::string_view, bool) {
  addPluginSetting(e, PluginList::image, readString(e));
}
void cmdSoundPress(Engine& e, std::string_view, bool) {
  addPluginSetting(e, PluginList::soundPress, readString(e));
}

}  // namespace

void registerResourceCommands(CommandTable& t) {
  t.add("vla", cmdVla, "");
  // The later dialect's name for the same switch.
  t.add("nsa", cmdVla, "");
  t.add("arc", cmdArc, "s");
  t.add("spi", cmdSpi, "s");
  t.add("soundpressplgin", cmdSoundPress, "s");
  t.add("noloaderror", cmdNoLoadError, "");
  registerFileQueryCommands(t);
}

void resourceRestoreDefaults(Engine& e) {
  // The define block registers the plug-ins again after a restart; the two switches and the
  // loaded libraries last for the whole process.
  e.res.archivePlugins.clear();
  e.res.imagePlugins.clear();
  e.res.soundPressPlugins.clear();
}

}  // namespace veloria
