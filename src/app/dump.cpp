#include "app/dump.h"

#include <cstdio>

#include "app/engine.h"
#include "app/json_writer.h"
#include "platform/files.h"
#include "platform/text_codec.h"

namespace veloria {

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
  w.key("modes").beginObject();
  w.key("skip").value(e.text.skipMode != 0);
  w.key("auto").value(e.text.autoMode != 0);
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
