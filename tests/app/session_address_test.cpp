// What a driver may type as SESSION, against sessions whose base names are
// not in the order they were driven (a clock set wrong, a renamed copy).
#include "app/session_address.h"

#include <gtest/gtest.h>

#include <sstream>

#include "storage/storage_paths.h"
#include "support/temp_folder.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

TEST(SessionAddress, ResolvesLastPrefixAndTitleAndRefusesAmbiguity) {
  kv::testing::TempFolder dir;
  EnsureFolders(dir.Path());
  const struct {
    std::u16string base, title;
    int32_t year;
  } sessions[] = {{u"20090521-1852", u"Spa morning", 2009}, {u"20090521-1930", u"Spa evening", 2010},
                  {u"20100101-1200", u"Spa evening", 2011}, {u"20080101-0000", u"Zolder", 2012}};
  for (const auto& s : sessions) {
    SessionHeader h;
    h.root = dir.Path();
    h.base_name = s.base;
    h.title = s.title;
    h.created = {DateTimeValue::MakeDay(s.year, 5, 21), DateTimeValue::MakeTime(16, 52, 3, 0)};
    h.changed = true;
    SaveSessionHeader(h);
  }
  StorageList storage(dir.Path());
  storage.Refresh();
  const struct {
    const char* legend;
    std::string text;
    int status;
    std::string found;  // base name, or what stderr holds
  } cases[] = {
      {"a full name", "20090521-1930", 0, "20090521-1930"},
      {"the latest start, not the greatest name", "last", 0, "20080101-0000"},
      {"one before it", "last~1", 0, "20100101-1200"},
      {"the first", "last~3", 0, "20090521-1852"},
      {"before the first", "last~4", 1, "No such session: last~4\n"},
      {"no number", "last~", 1, "No such session: last~\n"},
      {"a number too large for any list", "last~99999999999999999999", 1, "No such session"},
      {"a unique prefix", "2010", 0, "20100101-1200"},
      {"a shared prefix", "200905", 2, "  20090521-1852  Spa morning  "},
      {"a title", "Zolder", 0, "20080101-0000"},
      {"a title two sessions have", "Spa evening", 2, "\"Spa evening\" names 2 sessions:\n  20090521-1930  Spa evening"},
      {"nothing", "", 1, "No such session: \n"},
      {"no match", "Spa", 1, "No such session: Spa\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream err;
    const SessionAddress a = ResolveSession(storage, c.text, err);
    EXPECT_EQ(a.status, c.status) << c.legend;
    if (c.status == 0) {
      EXPECT_EQ(ToUtf8(a.base_name.AsView()).Std(), c.found) << c.legend;
      EXPECT_EQ(a.root, dir.Path()) << c.legend;
    } else {
      EXPECT_NE(err.str().find(c.found), std::string::npos) << c.legend << ": " << err.str();
    }
  }
}

}  // namespace
}  // namespace kv::app
