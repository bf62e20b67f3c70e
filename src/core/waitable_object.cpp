#include "core/waitable_object.h"

namespace kv {

WaitableObject::WaitableObject(AppHost& host) : host_(host) { host_.RegisterWaitable(this); }

WaitableObject::~WaitableObject() { host_.UnregisterWaitable(this); }

void WaitableObject::Signal() {
  pending_.store(1);
  event_.Set();
}

}  // namespace kv
