#include "platform/dynlib.h"

#include <dlfcn.h>

namespace veloria::dynlib {

void* open(const std::string& hostPath, std::string* error) {
  // A bare name would make the loader search the system library path; plug-ins come from
  // the game, so always hand over a path.
  std::string path = hostPath.find('/') == std::string::npos ? "./" + hostPath : hostPath;
  dlerror();
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib && error) {
    const char* why = dlerror();
    *error = why ? why : "cannot load library";
  }
  return lib;
}

void* openSystem(const char* fileName) { return fileName ? ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL) : nullptr; }

void* symbol(void* library, const char* name) {
  if (!library || !name) return nullptr;
  return ::dlsym(library, name);
}

}  // namespace veloria::dynlib
