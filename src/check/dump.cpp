#include "check/dump.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/engine.h"
#include "platform/json_writer.h"
#include "platform/files.h"
#include "platform/media/media_port.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"

namespace veloria {

namespace {

void writeScript(Engine& e, JsonWriter& w) {
  const auto& s = e.script;
  w.key("scriptPos").beginObject();
  w.key("offset").value(s.scriptPos);
  std::string where = s.scriptBuffer.empty() ? std::string() : describeScriptPosition(e, s.scriptPos);
  // "%d.txt line:%d" splits into the file and the line.
  std::string file = where, line;
  if (auto p = where.find(" line:"); p != std::string::npos) {
    file = where.substr(0, p);
    line = where.substr(p + 6);
  }
  w.key("file").value(sjisToUtf8(file));
  w.key("line").value(line.empty() ? 0 : std::atoi(line.c_str()));
  w.endObject();

  w.key("numVars").beginObject();
  for (int i = 0; i < variableCount(e); ++i)
    if (s.numVars[static_cast<size_t>(i)] != 0) w.key(std::to_string(i)).value(s.numVars[static_cast<size_t>(i)]);
  w.endObject();
  w.key("strVars").beginObject();
  for (int i = 0; i < variableCount(e); ++i)
    if (!s.strVars[static_cast<size_t>(i)].empty())
      w.key(std::to_string(i)).value(sjisToUtf8(s.strVars[static_cast<size_t>(i)]));
  w.endObject();
  w.key("labelLog").beginArray();
  for (const auto& name : s.labelLog) w.value(sjisToUtf8(name));
  w.endArray();
  w.key("callStackDepth").value(s.callStack.depth);
}

// The buttons of the button wait that is running (the links during a link wait); empty
// when no such wait runs.
void writeButtons(Engine& e, JsonWriter& w) {
  const auto& g = e.gfx;
  auto entry = [&](const char* kind, int32_t number, int32_t x, int32_t y, int64_t width, int64_t height,
                   const std::string& control = std::string()) {
    w.beginObject();
    w.key("number").value(number);
    w.key("kind").value(kind);
    w.key("x").value(x);
    w.key("y").value(y);
    w.key("width").value(width);
    w.key("height").value(height);
    // exbtn's control string, only for the buttons that have one.
    if (!control.empty()) w.key("control").value(sjisToUtf8(control));
    w.endObject();
  };
  w.key("buttons").beginArray();
  if (g.buttonWaitOpen == 1) {
    for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i) {
      const Button& b = g.buttons[static_cast<size_t>(i)];
      const char* kind = b.kind == ButtonKind::Sprite ? "sprite" : b.kind == ButtonKind::Text ? "text" : "image";
      entry(kind, b.number, b.x, b.y, b.width, b.height, b.control);
    }
  } else if (g.buttonWaitOpen == 2) {
    const int n = std::clamp(e.text.linkCount, 0, static_cast<int>(e.text.links.size()));
    for (int i = 0; i < n; ++i) {
      const LinkRegion& l = e.text.links[static_cast<size_t>(i)];
      entry("link", l.number, l.left, l.top, int64_t{l.right} - l.left, e.text.pitchY);
    }
  }
  w.endArray();
  w.key("buttonDefaultControl").value(g.buttonWaitOpen == 1 ? sjisToUtf8(g.buttonDefaultControl) : std::string());
}

void writeGraphics(Engine& e, JsonWriter& w) {
  const auto& g = e.gfx;
  w.key("background").value(sjisToUtf8(g.backgroundName));
  w.key("standing").beginArray();
  for (const auto& st : g.standImages) {
    w.beginObject();
    w.key("name").value(sjisToUtf8(st.name));
    w.key("x").value(st.x);
    w.key("y").value(st.y);
    w.endObject();
  }
  w.endArray();
  w.key("sprites").beginArray();
  for (size_t i = 0; i < g.sprites.size(); ++i) {
    const auto& sp = g.sprites[i];
    if (sp.name.empty()) continue;
    w.beginObject();
    w.key("number").value(static_cast<int>(i));
    w.key("name").value(sjisToUtf8(sp.name));
    w.key("x").value(sp.x);
    w.key("y").value(sp.y);
    w.key("visible").value(sp.visible != 0);
    w.endObject();
  }
  w.endArray();
  w.key("enhancedSprites").beginArray();
  for (size_t i = 0; i < g.enhancedSprites.size(); ++i) {
    const auto& sp = g.enhancedSprites[i];
    if (sp.name.empty()) continue;
    w.beginObject();
    w.key("number").value(static_cast<int>(i));
    w.key("name").value(sjisToUtf8(sp.name));
    w.key("x").value(sp.x);
    w.key("y").value(sp.y);
    w.key("scaleX").value(sp.scaleX);
    w.key("scaleY").value(sp.scaleY);
    w.key("angle").value(sp.angle);
    w.key("opacity").value(sp.opacity);
    w.key("visible").value(sp.visible != 0);
    w.endObject();
  }
  w.endArray();
  writeButtons(e, w);
}

void writeText(Engine& e, JsonWriter& w) {
  const auto& t = e.text;
  w.key("text").beginObject();
  w.key("page").value(sjisToUtf8(currentLogPage(e)));
  w.key("windowShown").value(t.windowShown != 0);
  w.key("cursorColumn").value(t.cursorColumn);
  w.key("cursorLine").value(t.cursorLine);
  w.key("textSpeed").value(t.textSpeed);
  w.key("face").value(sjisToUtf8(t.faceName));
  w.endObject();
}

// The choice waiting for the player (null when none waits), and the text log's pages.
void writeChoice(Engine& e, JsonWriter& w) {
  const auto& t = e.text;
  w.key("choice");
  if (t.openChoice.empty()) {
    w.null();
  } else {
    w.beginObject();
    w.key("options").beginArray();
    for (const auto& o : t.openChoice) w.value(sjisToUtf8(o));
    w.endArray();
    w.key("highlighted").value(t.openChoiceHighlight);
    w.endObject();
  }
  w.key("textLogPages").value(textLogPageCount(e));
}

// The dialog open now (null when none): its caption, prompt and field, or its list.
void writeDialog(Engine& e, JsonWriter& w) {
  const OpenDialog* d = e.platform.openDialog();
  w.key("dialog");
  if (!d) {
    w.null();
    return;
  }
  w.beginObject();
  w.key("kind").value(d->list ? "list" : "input");
  w.key("caption").value(d->caption);
  w.key("prompt").value(d->prompt);
  w.key("text").value(d->text);
  w.key("entries").beginArray();
  for (const auto& entry : d->entries) w.value(entry);
  w.endArray();
  w.key("selection").value(d->selection);
  w.endObject();
}

// The system menu open now (the innermost one: a question opened from a slot list), or null.
void writeSystemMenu(Engine& e, JsonWriter& w) {
  w.key("systemMenu");
  if (e.ui.openMenus.empty()) {
    w.null();
    return;
  }
  const OpenSystemMenu& m = e.ui.openMenus.back();
  static const char* const kKinds[] = {"rightClick", "save", "load", "confirm"};
  w.beginObject();
  w.key("kind").value(kKinds[static_cast<int>(m.kind)]);
  w.key("title").value(sjisToUtf8(m.title));
  w.key("items").beginArray();
  for (const SystemMenuItemBox& b : m.items) {
    w.beginObject();
    w.key("text").value(sjisToUtf8(b.text));
    w.key("x").value(b.left);
    w.key("y").value(b.top);
    w.key("width").value(b.right - b.left);
    w.key("height").value(b.bottom - b.top);
    w.key("available").value(b.available);
    w.endObject();
  }
  w.endArray();
  // The right-click menu is a choice: its highlight is the choice's.
  w.key("highlighted").value(m.kind == SystemMenuKind::RightClick ? e.text.openChoiceHighlight : m.highlighted);
  w.endObject();
}

const char* bgmKindName(BgmKind k) {
  switch (k) {
    case BgmKind::Loop: return "bgm";
    case BgmKind::Once: return "bgmonce";
    case BgmKind::IntroThenLoop: return "loopbgm";
    case BgmKind::None: break;
  }
  return "";
}

// The "sound" object: what each source plays.
void writeSound(Engine& e, JsonWriter& w) {
  const SoundState& s = e.sound;
  MediaPort& m = e.platform.media();
  w.key("sound").beginObject();
  w.key("midi").beginObject();
  w.key("name").value(sjisToUtf8(s.midiName));
  w.key("loop").value(s.midiLoop != 0);
  w.key("playing").value(m.playing(kSlotMidi));
  w.endObject();
  w.key("cd").beginObject();
  w.key("track").value(s.cdTrack);
  w.key("loop").value(s.cdLoop != 0);
  w.key("playing").value(m.playing(kSlotCd));
  w.key("fadeTime").value(s.cdFadeTime);
  w.endObject();
  w.key("mp3").beginObject();
  w.key("name").value(sjisToUtf8(s.mp3Name));
  w.key("loop").value(s.mp3Loop != 0);
  w.key("playing").value(m.playing(kSlotMp3));
  w.endObject();
  w.key("wave").beginObject();
  w.key("name").value(sjisToUtf8(s.waveName));
  w.key("loop").value(s.waveLoopSetting != 0);
  w.key("playing").value(m.playing(kSlotWave));
  w.key("clickStops").value(s.clickStopsWave != 0);
  w.endObject();
  w.key("bgm").beginObject();
  w.key("name").value(sjisToUtf8(s.bgmName));
  w.key("kind").value(bgmKindName(s.bgmKind));
  w.key("loopName").value(sjisToUtf8(s.bgmLoopName));
  w.key("playing").value(m.playing(kSlotBgm));
  w.key("fadeMs").value(s.bgmFadeMs);
  w.endObject();
  w.key("volumes").beginObject();
  w.key("music").value(s.musicVolume);
  w.key("se").value(s.seVolume);
  w.key("voice").value(s.voiceVolume);
  w.endObject();
  w.key("directSound").value(s.directSoundOn != 0);
  // Channels that hold a sound, playing or not; in the extended dialect also those whose
  // volume was changed.
  w.key("channels").beginArray();
  for (int i = 0; i < kMaxSoundChannels; ++i) {
    const SoundChannel& c = s.channels[static_cast<size_t>(i)];
    if (!c.playing && !c.pcm && c.volume == 100) continue;
    w.beginObject();
    w.key("channel").value(i);
    w.key("loop").value(c.loop != 0);
    w.key("playing").value(c.playing != 0 && m.playing(kSlotChannel0 + i));
    w.key("name").value(sjisToUtf8(c.name));
    w.key("loaded").value(c.pcm != nullptr);
    w.key("volume").value(c.volume);
    w.endObject();
  }
  w.endArray();
  w.key("movie").value(s.moviePlaying != 0);
  w.key("waveDemoMode").value(s.waveDemoMode != 0);
  w.endObject();
}

}  // namespace

std::string dumpJson(Engine& e) {
  JsonWriter w;
  w.beginObject();
  w.key("screen").beginObject();
  w.key("width").value(e.app.screenWidth);
  w.key("height").value(e.app.screenHeight);
  w.endObject();
  w.key("title").value(e.platform.titleUtf8());
  w.key("fullScreen").value(e.appWindow.fullScreen != 0);
  w.key("virtualTimeMs").value(e.platform.timeGetTime());
  w.key("engineCycles").value(e.app.engineCycles);
  w.key("dialect").value(extendedDialect(e) ? "extended" : "base");
  writeScript(e, w);
  writeText(e, w);
  writeChoice(e, w);
  writeDialog(e, w);
  writeSystemMenu(e, w);
  writeGraphics(e, w);
  writeSound(e, w);
  w.key("modes").beginObject();
  w.key("skip").value(e.text.skipMode != 0);
  w.key("auto").value(e.text.autoMode != 0);
  w.key("autoClick").value(e.text.autoClick != 0);
  w.key("pageOnly").value(e.text.pageOnlyMode != 0);
  w.key("menuSpeedIndex").value(e.text.menuSpeedIndex);
  w.key("waveOn").value(e.sound.waveOn != 0);
  w.key("cdEnabled").value(e.sound.cdEnabled != 0);
  w.endObject();
  w.key("error");
  if (e.app.error.set) {
    w.beginObject();
    w.key("caption").value(sjisToUtf8(e.app.error.caption));
    w.key("message").value(sjisToUtf8(e.app.error.message));
    w.endObject();
  } else {
    w.null();
  }
  w.endObject();
  return w.str();
}

bool writeDump(Engine& e, const std::string& hostPath) {
  std::string json = dumpJson(e);
  json += '\n';
  if (!fs::writeHostFile(hostPath, json.data(), json.size())) {
    std::fprintf(stderr, "veloria: cannot write %s\n", hostPath.c_str());
    return false;
  }
  return true;
}

}  // namespace veloria
