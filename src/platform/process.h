// Starting other programs for the script (winexec, shell) and the small notification
// channel through which a started program answers the waiting script.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veloria::proc {

// Splits a command line the way Windows programs receive it: blanks separate arguments,
// double quotes group blanks into one argument and are removed. Text is UTF-8.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Starts argv[0] with the arguments, in `workDir`, with `extraEnv` entries ("NAME=value")
// added to this process's environment. argv[0] is a host path, searched in PATH only when
// `searchPath` (the desktop's own tools, never a program a game names). Does not wait.
// Returns the process id, or -1 when the program could not be started.
int spawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                 const std::string& workDir, bool searchPath = false);

// Whether the started program `pid` has ended, waiting up to `ms` real milliseconds for it.
// An ended program is reaped.
bool waitForExit(int pid, uint32_t ms);

// Reaps programs started earlier that have ended since, so none is left as a zombie.
void reapEndedPrograms();

// Waits up to `ms` real milliseconds for every program started so far to end.
void waitForStartedPrograms(uint32_t ms);

// Opens a document, folder or URL with the desktop's opener (the program named by the
// environment variable VELORIA_OPENER, else xdg-open). The opener takes no "--" (xdg-open
// refuses it), so a target starting with '-' is refused here rather than read as an option.
// Does not wait; false if it could not start.
bool openWithDesktop(const std::string& target);

// The notification file: a started program appends words to it ("continue", "end"), one per
// line. `offset` is how far the file has been read; the next complete word, or empty.
std::string takeNotification(const std::string& path, uint64_t& offset);

}  // namespace veloria::proc
