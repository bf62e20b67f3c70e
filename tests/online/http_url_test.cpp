#include "online/http_url.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

struct UrlCase {
  const char* url;
  bool ok;
  const char* host = "";
  int32_t port = 0;
  const char* path = "";
};

TEST(HttpUrl, SplitsServerPortAndPath) {
  const UrlCase cases[] = {
      {"http://tracks.example/automatic/tracks/index.php", true, "tracks.example", 80,
       "/automatic/tracks/index.php"},
      {"HTTP://Tracks.Example/a?b=c/d", true, "Tracks.Example", 80, "/a?b=c/d"},
      {"http://127.0.0.1:8080/", true, "127.0.0.1", 8080, "/"},
      {"http://[::1]:65535/x", true, "::1", 65535, "/x"},
      {"http://[::1]/x y", true, "::1", 80, "/x y"},
      {"http://host", false},
      {"https://host/", false},
      {"http:/host/", false},
      {"http:///path", false},
      {"http://host:0/", false},
      {"http://host:65536/", false},
      {"http://host:/", false},
      {"http://host:8x/", false},
      {"http://[::1/", false},
      {"http://[::1]x/", false},
      {"http://ho st/", false},
      {"http://host/a\r\nX: y", false},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(c.url);
    HttpUrl parts;
    ASSERT_EQ(SplitUrl(c.url, &parts), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(parts.address.host, c.host);
    EXPECT_EQ(parts.address.port, c.port);
    EXPECT_EQ(parts.path, c.path);
  }
}

}  // namespace
}  // namespace kv
