/* The C interface between the engine and its plug-in libraries (archive, image and
 * sound-press plug-ins). Plug-in authors may include this header as it is; it is plain C.
 * See docs/plugins.md for what each call must do. */
#ifndef VELORIA_PLUGIN_ABI_H
#define VELORIA_PLUGIN_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The file-information record filled by GetFileInfo: 428 bytes, no padding. */
typedef struct VeloriaFileInfo {
  unsigned char method[8]; /* compression method name, free text */
  int32_t position;        /* where the member is in the archive; 0 means "not here" */
  int32_t compressedSize;
  int32_t originalSize;
  int32_t timestamp;
  char path[200];          /* directory part of the member name */
  char fileName[200];      /* base name of the member */
  uint32_t crc;
} VeloriaFileInfo;

/* Flag values the engine passes. */
#define VELORIA_PLUGIN_IGNORE_CASE 0x80u /* GetFileInfo: compare member names without case */
#define VELORIA_PLUGIN_FROM_FILE 0u      /* source (and, for GetFile, output) are files on disk */

/* Never passed as anything but NULL by the engine; declared for completeness. */
typedef int32_t (*VeloriaProgressCallback)(int32_t done, int32_t total, int32_t userData);

/* Archive plug-in. Return 0 on success. `archive` is a host path (UTF-8); `member` is the
 * game's name for the file (Shift-JIS, '\' separators). */
typedef int32_t (*VeloriaGetFileInfoFn)(const char* archive, int32_t offset, const char* member,
                                        uint32_t flags, VeloriaFileInfo* info);
/* Writes the member at `position` into the directory `destination` (host path ending in '/')
 * under the member's own base name. */
typedef int32_t (*VeloriaGetFileFn)(const char* archive, int32_t position, const char* destination,
                                    uint32_t flags, VeloriaProgressCallback progress,
                                    int32_t userData);

/* Image plug-in. On success *info receives a block holding a 40-byte bitmap information
 * header followed by the palette, and *pixels a block of bottom-up pixel rows; both must be
 * allocated with malloc(): the engine releases them with free(). */
typedef int32_t (*VeloriaGetPictureFn)(const char* file, int32_t length, uint32_t flags,
                                       void** info, void** pixels,
                                       VeloriaProgressCallback progress, int32_t userData);

/* Sound-press plug-in: converts `source` into a playable file written at `destination`.
 * The result is not used. */
typedef int32_t (*VeloriaExpandFn)(const char* source, const char* destination);

#ifdef __cplusplus
}
#endif

#endif
