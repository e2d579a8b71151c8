// The resource subsystem's interface to the others: archive lookup and members, making a
// media file available as a loose file, and plug-ins. Game paths are Shift-JIS with '\' or
// '/' separators and any letter case; host paths are the platform's (UTF-8).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resource/archive_format.h"  // ArchiveHit, ArchiveKind
#include "resource/lzss.h"            // decodeLzss, encodeLzss

namespace veloria {

struct Engine;
class CommandTable;

void resourceRestoreDefaults(Engine& e);
// vla, arc, spi, soundpressplgin, noloaderror.
void registerResourceCommands(CommandTable& t);
// vla: names are looked up in the archives too (for the rest of the run).
void enableArchives(Engine& e, bool on);

// ---- archives ----

// Looks a game path up in "arc.vla", "arc1.vla" .. "arc9.vla". nullopt when it is found
// nowhere, and always while archive lookup is off (before the vla command): then no archive
// is opened.
std::optional<ArchiveHit> findInArchives(Engine& e, std::string_view name);

// Reads a member into memory, by kind:
//  - kArchiveStored: the member's bytes (the decoded length, fewer if the file ends first);
//  - kArchiveLzss:   the decoded bytes, never more than the decoded length (fewer when the
//                    coded data ends first; nothing is padded);
//  - kArchiveDeltaImage: the coded picture as it stands in the file from the member's
//                    position, as many bytes as a picture of its coded size can need (fewer
//                    at end of file): hand it to decodeDeltaImage (resource/delta_image.h).
// nullopt when the archive cannot be opened or the kind is unknown.
std::optional<std::vector<uint8_t>> readArchiveMember(Engine& e, const ArchiveHit& hit);

// ---- media files ----

// Makes a file that does not exist loose available as one: looks it up in the archives (when
// archive lookup is on), then through the archive plug-ins in registration order, and
// extracts it into the temporary directory (e.app.tempDirectory) under its base name,
// replacing any file of that name. Returns the extracted file's host path (a plug-in may
// write the member's base name in another letter case), or nullopt when the file is found
// nowhere or cannot be written. A delta-coded picture member cannot be extracted: that is a
// fatal script error ("%sが開けませんでした。").
std::optional<std::string> resolveFile(Engine& e, std::string_view name);

struct MediaFile {
  std::string hostPath;
  bool temporary = false;  // extracted by resolveFile: delete with releaseMediaFile when done
};

// What every command that plays or shows a file does: the loose file if it exists, else
// resolveFile. When the file is found nowhere: nullopt if noloaderror was given (the command
// then does nothing), otherwise the fatal "ロードエラー" / "ファイル%sを開けません。" report.
std::optional<MediaFile> locateMediaFile(Engine& e, std::string_view name);
// Deletes the file if it was extracted; a loose file is left alone. Clears `f`.
void releaseMediaFile(MediaFile& f);

// ---- plug-ins ----

// The PluginModuleCache: the loaded library named `library` (the name as the script wrote
// it, found in the game directory), loading it on first use. nullptr when it cannot be
// loaded or all 256 slots are taken; a library that failed to load takes no slot.
void* pluginModule(Engine& e, std::string_view library);
// An exported function of that library, or nullptr.
void* pluginFunction(Engine& e, std::string_view library, const char* symbol);

// The library registered by spi / soundpressplgin for a file extension (lower case, no
// dot), first registration first; nullopt when none.
std::optional<std::string> imagePluginFor(Engine& e, std::string_view extension);
std::optional<std::string> soundPressPluginFor(Engine& e, std::string_view extension);

// A picture delivered by an image plug-in, copied out of the plug-in's memory.
struct PluginPicture {
  uint8_t infoHeader[40] = {};  // the bitmap information header as delivered
  int32_t width = 0, height = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  std::vector<uint8_t> palette;  // 4 bytes per entry (colours-used, or the depth's default)
  std::vector<uint8_t> pixels;   // height x row stride bytes, bottom-up rows
};
// Calls GetPicture of `library` on the file at `hostPath`. nullopt when the library or its
// function is missing, the call fails, or it delivers something unusable.
std::optional<PluginPicture> loadPictureWithPlugin(Engine& e, std::string_view library,
                                                   const std::string& hostPath);

// Calls expand(source, destination) of a sound-press plug-in. False when the library or
// its function is missing (the call's own result is not used).
bool runSoundPressPlugin(Engine& e, std::string_view library, const std::string& sourceHost,
                         const std::string& destinationHost);

// ---- command logic (the commands read their argument and call these) ----

enum class PluginList { archive, image, soundPress };
// Registers one setting as arc / spi / soundpressplgin do, reporting their script errors.
void addPluginSetting(Engine& e, PluginList list, std::string_view setting);

}  // namespace veloria
