// How tests stand in for a platform service: a scoped override replaces the
// service process-wide and restores the previous one when it ends.
#pragma once

#include <atomic>

namespace qv {

template <class Service>
std::atomic<Service*>& serviceOverrideSlot() {
  static std::atomic<Service*> slot{nullptr};
  return slot;
}

template <class Service>
class ScopedOverride {
 public:
  explicit ScopedOverride(Service& replacement)
      : previous_(serviceOverrideSlot<Service>().exchange(&replacement, std::memory_order_acq_rel)) {}
  ~ScopedOverride() { serviceOverrideSlot<Service>().store(previous_, std::memory_order_release); }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  Service* previous_;
};

// The override when one is installed, else the real service.
template <class Service, class Real>
Service& currentService() {
  if (Service* s = serviceOverrideSlot<Service>().load(std::memory_order_acquire)) return *s;
  static Real* real = new Real;  // never destroyed: services stay usable during exit
  return *real;
}

}  // namespace qv
