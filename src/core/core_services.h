// CoreServices: the services the application owns for the whole run
// (settings, parsers, sample builder, data sources, keep-awake, HTTP, views).
// The program assembles the concrete set; the core needs only this much.
// Destroying it stops every service thread, each waited for at most 15 s.
#pragma once

#include "core/view_manager.h"

namespace kv {

class CoreServices {
 public:
  virtual ~CoreServices() = default;
  virtual ViewManager& Views() = 0;
  // Writes the settings file; called once at shut-down before destruction.
  virtual void WriteSettings() = 0;
};

}  // namespace kv
