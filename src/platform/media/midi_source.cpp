// Standard MIDI files rendered by FluidSynth. The player is driven by the rendered samples
// (not by a timer thread), so the same file always gives the same sound at the same samples.
#include <fluidsynth.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/media/chunked_source.h"
#include "platform/media/decoders.h"

namespace veloria {

namespace {

void quietLog(int, const char*, void*) {}

void silenceLibraryLog() {
  // FluidSynth prints its warnings to the terminal; the player reports failures itself.
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, quietLog, nullptr);
  });
}

bool isFile(const std::string& p) {
  struct stat st {};
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Rendered in blocks of this many frames; the end of the sequence is noticed between blocks.
constexpr int kBlock = 64;

class MidiSource final : public ChunkedSource {
 public:
  MidiSource(FileBytes bytes, std::string soundFont) : bytes_(std::move(bytes)), soundFont_(std::move(soundFont)) {}
  ~MidiSource() override {
    if (player_) {
      fluid_player_stop(player_);
      delete_fluid_player(player_);
    }
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }

 protected:
  bool refill(std::vector<float>& out) override {
    if (!started_) {
      started_ = true;
      if (!start()) return false;
    }
    if (!player_ || fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) return false;
    constexpr int kBlocks = 16;
    size_t base = out.size();
    out.resize(base + static_cast<size_t>(kBlock * kBlocks) * 2);
    float* p = out.data() + base;
    int made = 0;
    for (int b = 0; b < kBlocks; ++b) {
      if (fluid_synth_write_float(synth_, kBlock, p, 0, 2, p, 1, 2) != FLUID_OK) break;
      p += kBlock * 2;
      made += kBlock;
      if (fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) break;
    }
    // A sequence that ended without moving past its first tick (a file the player could not
    // read) holds no sound: the block it took to notice is not handed out.
    if (fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING && fluid_player_get_current_tick(player_) <= 0)
      made = 0;
    out.resize(base + static_cast<size_t>(made) * 2);
    return made > 0;
  }

 private:
  bool start() {
    silenceLibraryLog();
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", kMixRate);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    // Only the samples the song uses are read from a large SoundFont.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_sfload(synth_, soundFont_.c_str(), 1) == FLUID_FAILED) return false;
    player_ = new_fluid_player(synth_);
    if (!player_) return false;
    if (fluid_player_add_mem(player_, bytes_->data(), bytes_->size()) != FLUID_OK) return false;
    return fluid_player_play(player_) == FLUID_OK;
  }

  FileBytes bytes_;
  std::string soundFont_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  bool started_ = false;
};

uint32_t be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

}  // namespace

std::string findSoundFont() {
  if (const char* env = std::getenv("VELORIA_SOUNDFONT"); env && isFile(env)) return env;
  for (const char* p : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                        "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf3/default-GM.sf3"})
    if (isFile(p)) return p;
  return {};
}

OpenedSound openMidi(FileBytes bytes, const std::string& soundFont) {
  OpenedSound r;
  if (!bytes) return r;
  // A standard MIDI file: "MThd", a header of at least 6 bytes, then tracks.
  const auto& b = *bytes;
  if (b.size() < 14 || std::memcmp(b.data(), "MThd", 4) != 0 || be32(b.data() + 4) < 6) {
    r.error = "not a standard MIDI file";
    return r;
  }
  if (soundFont.empty()) {
    r.error = "no General MIDI SoundFont installed (set VELORIA_SOUNDFONT)";
    return r;
  }
  r.source = std::make_unique<MidiSource>(std::move(bytes), soundFont);
  return r;
}

}  // namespace veloria
