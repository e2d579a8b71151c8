// Loading shared libraries (plug-ins) at run time. Libraries are never unloaded: the engine
// keeps their function pointers for the whole process.
#pragma once

#include <string>

namespace veloria::dynlib {

// Loads the library at `hostPath` and resolves its symbols at once; nullptr on failure, with
// the loader's reason in *error when given.
void* open(const std::string& hostPath, std::string* error = nullptr);
// Loads a library of the system by its file name ("libfoo.so.1"), searched for on the
// system's library path; nullptr when it is not installed.
void* openSystem(const char* fileName);
// The address of an exported C symbol, or nullptr.
void* symbol(void* library, const char* name);

}  // namespace veloria::dynlib
