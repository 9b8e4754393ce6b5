// What the window lends a waiting operation: its pending events handled, so
// that the window stays alive while RunGCode waits for a move to end.
#pragma once

namespace kestrom {

class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void PumpPendingEvents() = 0;
};

}  // namespace kestrom
