// The window menu as data: the backends draw it, the engine changes it through ids.
#pragma once

#include <string>
#include <vector>

namespace veloria {

struct MenuItem {
  int id = 0;             // WM_COMMAND id; 0 for a submenu holder
  std::string text;       // Shift-JIS
  bool checked = false;
  std::vector<MenuItem> children;  // a drop-down or submenu when not empty
  bool isPopup() const { return !children.empty() || id == 0; }
};

class MenuBar {
 public:
  std::vector<MenuItem>& items() { return top_; }
  const std::vector<MenuItem>& items() const { return top_; }

  MenuItem* find(int id);
  const MenuItem* find(int id) const;
  bool check(int id, bool on);
  bool isChecked(int id) const;
  // Checks `id` and unchecks the other ids of its radio group.
  void checkRadio(int id, const std::vector<int>& group);
  // Inserts a new item just before the item `beforeId` in the same drop-down.
  bool insertBefore(int beforeId, MenuItem item);
  // Removes every item with `id` wherever it is.
  int removeId(int id);
  // Removes the top-level entry at `position` (0-based).
  bool removeTopLevel(size_t position);
  // Where a top-level entry holding `id` (itself or a child) stands, or -1.
  int topLevelPositionOf(int id) const;

 private:
  std::vector<MenuItem> top_;
};

}  // namespace veloria
