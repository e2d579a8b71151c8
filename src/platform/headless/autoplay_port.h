// Headless autoplay at choices and button waits: the waiting command lists the options a
// player could take, and a picker the shell installs (the run's strategy) says which one
// autoplay clicks. Without a picker autoplay clicks the wait's own point (its first option).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veloria {

class Platform;
struct SpeechEvent;

struct AutoplayOption {
  int x = 0, y = 0;   // where a click takes it
  std::string label;  // UTF-8: the option's text, or "button N" / "link N"
};

struct AutoplayWait {
  uint32_t place = 0;  // the script position of the waiting statement
  std::vector<AutoplayOption> options;
};

// The index of the option to take (the wait's options are never empty).
using AutoplayPicker = std::function<size_t(const AutoplayWait&)>;

// On the headless backend (other backends ignore these): the picker, empty to remove it.
void setAutoplayPicker(Platform& p, AutoplayPicker picker);
bool hasAutoplayPicker(Platform& p);
// The wait autoplay answers now (nullptr: none with options); the caller keeps it alive while
// it is noted. Returns the one noted before, to be put back.
const AutoplayWait* noteAutoplayWait(Platform& p, const AutoplayWait* wait);
// Called each time the virtual clock passes a whole second; it may end the run by throwing,
// as the time limit does. Empty: none.
void setClockWatch(Platform& p, std::function<void(uint32_t nowMs)> watch);
// What a headless run that reads aloud into a record has said and stopped so far; nullptr on
// any other platform.
const std::vector<SpeechEvent>* recordedSpeech(Platform& p);

}  // namespace veloria
