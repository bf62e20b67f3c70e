// What a command accepts where it takes SESSION, resolved to one recorded
// session: the full base name, "last" (the latest by start time), "last~N"
// (N sessions before it), the session's title exactly, or a prefix of its
// base name that only one session has. Main thread.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "storage/session_header.h"
#include "storage/storage_list.h"

namespace kv::app {

// The help of every SESSION argument.
inline constexpr const char* kSessionAddressHelp =
    "Base name (e.g. 20090521-1852), a unique prefix of it, the title, last, or last~N";

struct SessionAddress {
  int status = 0;         // 0 found; 1 no such session; 2 ambiguous
  std::string root;       // storage root of the session found
  WideString base_name;
};

// On status 1 prints "No such session: TEXT"; on status 2 the candidates,
// one a line (base name, title, local start time), so a driver can pick one.
SessionAddress ResolveSession(const StorageList& storage, const std::string& text, std::ostream& err);

// Every readable session header of every medium, oldest start first (those
// without a start time first, then by base name).
std::vector<SessionHeader> SessionsByStart(const StorageList& storage);

// The order of SessionsByStart.
bool StartsEarlier(const SessionHeader& a, const SessionHeader& b);

// "2009-05-21 18:52" in the machine's local time; "" when unknown.
std::string LocalStartText(const DateTimeValue& created);

}  // namespace kv::app
