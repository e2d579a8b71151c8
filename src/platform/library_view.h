// What the window shows when Veloria starts without a game (the game library and its folder
// browser), and what the player did there. The app decides what the screen holds; the
// backend only draws it, moves the highlight and reports the player's acts.
#pragma once

#include <string>
#include <vector>

namespace veloria {

struct LibraryRow {
  std::string title;    // UTF-8, the first line
  std::string detail;   // UTF-8, the second, smaller line
  bool dimmed = false;  // greyed (a game whose folder is gone)
  bool marked = false;  // set apart (a folder that holds a game)
};

struct LibraryButton {
  std::string label;
  bool enabled = true;
};

struct LibraryView {
  std::string caption;    // the box's caption bar
  std::string heading;    // the line above the list
  std::string emptyText;  // shown in the list's place when there are no rows
  std::vector<LibraryRow> rows;
  int selection = -1;  // the highlighted row; -1 = none
  std::vector<LibraryButton> buttons;  // along the bottom, left to right
  int defaultButton = 0;  // what Enter or a double click on a row presses
};

struct LibraryAction {
  enum class Kind {
    Close,   // the window was closed (or the program asked to end)
    Select,  // the highlight moved to `row`
    Button,  // `button` pressed (Enter and double clicks press the default one), with `row` highlighted
    Cancel,  // Esc
    Back,    // Backspace
    Drop,    // a file or folder was dropped on the window: `path`
  };
  Kind kind = Kind::Close;
  int row = -1;
  int button = -1;
  std::string path;
};

}  // namespace veloria
