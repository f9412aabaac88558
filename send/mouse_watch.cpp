#include "send/mouse_watch.h"

#include <utility>

namespace moravel {

void MouseWatch::arm(MouseListener listener) {
  if (armed()) return;
  listener_ = std::make_shared<const MouseListener>(std::move(listener));
  hook_ = installer_.install();
}

bool MouseWatch::disarm() {
  if (!armed()) return false;
  if (!installer_.remove(hook_)) return false;
  hook_ = 0;
  return true;
}

void MouseWatch::report(unsigned message, std::uint32_t mouseData, std::int32_t window,
                        std::int32_t x, std::int32_t y) const {
  if (!armed() || !listener_ || !*listener_) return;
  const MouseClass mouse = classifyMouseMessage(message, mouseData);
  const LocationText location(window, x, y);
  const std::shared_ptr<const MouseListener> listener = listener_;
  (*listener)(mouse.button, mouse.action, location.view());
}

}  // namespace moravel
