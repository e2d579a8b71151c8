// The two ways out of a running statement that skip the frames between the thrower and the
// loop that catches.
#pragma once

namespace veloria {

// Leaves the statement that is running and goes back to the interpreter loop. A wait throws
// it when the player asked for a reset or loaded a saved game while it waited; the loop then
// resets the game, or goes on at the position the save restored.
struct ScriptUnwind {
  enum class Reason { Reset, GameLoaded };
  Reason reason;
};

// Thrown to end the process after the window's shut-down has run; main() and the test
// harness catch it. Nothing below the interpreter catches it.
struct ProcessExit {
  int code;
};

}  // namespace veloria
