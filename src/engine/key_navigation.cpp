#include "engine/key_navigation.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace veloria {

std::optional<Arrow> arrowOf(const Message& m) {
  if (m.message != WM_KEYDOWN) return std::nullopt;
  switch (m.wParam) {
    case VK_LEFT: return Arrow::Left;
    case VK_UP: return Arrow::Up;
    case VK_RIGHT: return Arrow::Right;
    case VK_DOWN: return Arrow::Down;
    default: return std::nullopt;
  }
}

int nearestInDirection(const std::vector<NavPoint>& points, int current, NavPoint from, Arrow arrow) {
  int best = -1;
  int64_t bestCost = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < points.size(); ++i) {
    if (static_cast<int>(i) == current) continue;
    const int64_t dx = int64_t{points[i].x} - from.x, dy = int64_t{points[i].y} - from.y;
    int64_t ahead = 0, aside = 0;
    switch (arrow) {
      case Arrow::Left: ahead = -dx; aside = dy; break;
      case Arrow::Right: ahead = dx; aside = dy; break;
      case Arrow::Up: ahead = -dy; aside = dx; break;
      case Arrow::Down: ahead = dy; aside = dx; break;
    }
    if (ahead <= 0) continue;
    const int64_t cost = ahead + 2 * std::llabs(aside);
    if (cost < bestCost) {
      bestCost = cost;
      best = static_cast<int>(i);
    }
  }
  return best;
}

int arrowTarget(const std::vector<NavPoint>& points, int current, NavPoint pointer, Arrow arrow) {
  if (points.empty()) return -1;
  const bool onOne = current >= 0 && static_cast<size_t>(current) < points.size();
  const int target = nearestInDirection(points, onOne ? current : -1, onOne ? points[static_cast<size_t>(current)] : pointer, arrow);
  return target < 0 && !onOne ? 0 : target;
}

int stepInList(int count, int current, Arrow arrow) {
  if (count <= 0) return -1;
  if (current < 0 || current >= count) return 0;
  const bool forward = arrow == Arrow::Down || arrow == Arrow::Right;
  return forward ? (current + 1) % count : (current + count - 1) % count;
}

}  // namespace veloria
