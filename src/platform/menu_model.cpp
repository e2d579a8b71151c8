#include "platform/menu_model.h"

#include <algorithm>

namespace veloria {

namespace {
MenuItem* findIn(std::vector<MenuItem>& items, int id) {
  for (auto& it : items) {
    if (it.id == id && id != 0) return &it;
    if (MenuItem* m = findIn(it.children, id)) return m;
  }
  return nullptr;
}

bool insertIn(std::vector<MenuItem>& items, int beforeId, MenuItem& item) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].id == beforeId && beforeId != 0) {
      items.insert(items.begin() + static_cast<long>(i), std::move(item));
      return true;
    }
    if (insertIn(items[i].children, beforeId, item)) return true;
  }
  return false;
}

int removeIn(std::vector<MenuItem>& items, int id) {
  int n = 0;
  for (size_t i = 0; i < items.size();) {
    if (items[i].id == id && id != 0) {
      items.erase(items.begin() + static_cast<long>(i));
      ++n;
      continue;
    }
    n += removeIn(items[i].children, id);
    ++i;
  }
  return n;
}
}  // namespace

MenuItem* MenuBar::find(int id) { return findIn(top_, id); }
const MenuItem* MenuBar::find(int id) const { return findIn(const_cast<std::vector<MenuItem>&>(top_), id); }

bool MenuBar::check(int id, bool on) {
  MenuItem* m = find(id);
  if (!m) return false;
  m->checked = on;
  return true;
}

bool MenuBar::isChecked(int id) const {
  const MenuItem* m = find(id);
  return m && m->checked;
}

void MenuBar::checkRadio(int id, const std::vector<int>& group) {
  for (int other : group) check(other, other == id);
  check(id, true);
}

bool MenuBar::insertBefore(int beforeId, MenuItem item) { return insertIn(top_, beforeId, item); }

int MenuBar::removeId(int id) { return removeIn(top_, id); }

bool MenuBar::removeTopLevel(size_t position) {
  if (position >= top_.size()) return false;
  top_.erase(top_.begin() + static_cast<long>(position));
  return true;
}

int MenuBar::topLevelPositionOf(int id) const {
  for (size_t i = 0; i < top_.size(); ++i) {
    if (top_[i].id == id && id != 0) return static_cast<int>(i);
    std::vector<MenuItem> one{top_[i]};
    if (findIn(one[0].children, id)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace veloria
