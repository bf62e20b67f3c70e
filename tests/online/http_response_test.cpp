#include "online/http_response.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

struct ResponseCase {
  const char* legend;
  std::string bytes;
  HttpResponse::ParseState state;
  int32_t status;
  std::string headers;
  std::string body;
};

const ResponseCase kCases[] = {
    {"200 with a reason, headers, and a blank line inside the body",
     "HTTP/1.0 200 OK\r\nA: b\r\nC: d\r\n\r\nbo\r\n\r\ndy", HttpResponse::kBody, 200,
     "A: b\r\nC: d\r\n\r\n", "bo\r\n\r\ndy"},
    {"404", "HTTP/1.1 404 Not Found\r\n\r\n", HttpResponse::kBody, 404, "\r\n", ""},
    {"one space: no status", "HTTP/1.0 200\r\nA: b\r\n\r\nx", HttpResponse::kBody, -1,
     "A: b\r\n\r\n", "x"},
    {"no digit after the first space", "HTTP/1.0 OK 200\r\n\r\n", HttpResponse::kBody, -1, "\r\n",
     ""},
    {"signed code, digits end at the first other byte", "X +20x0 y\r\n\r\n", HttpResponse::kBody,
     20, "\r\n", ""},
    {"no header lines: the body starts after the status line",
     "HTTP/1.0 200 OK\r\n\r\nbody\r\n\r\n", HttpResponse::kBody, 200, "\r\n", "body\r\n\r\n"},
    {"bytes that are not UTF-8 pass unchanged",
     std::string("HTTP/1.0 200 OK\r\n\r\n\xff\xfe\x80\0;", 24), HttpResponse::kBody, 200, "\r\n",
     std::string("\xff\xfe\x80\0;", 5)},
    {"LF alone ends no line", "HTTP/1.0 200 OK\nA: b\n\nx", HttpResponse::kStatusLine, -1, "", ""},
    {"headers not yet ended", "HTTP/1.0 200 OK\r\nA: b\r\n\r", HttpResponse::kHeaders, 200,
     "A: b\r\n\r", ""},
};

void ExpectCase(const HttpResponse& response, const ResponseCase& c, const std::string& how) {
  SCOPED_TRACE(std::string(c.legend) + ", fed " + how);
  EXPECT_EQ(response.State(), c.state);
  EXPECT_EQ(response.StatusCode(), c.status);
  EXPECT_EQ(response.Headers().AsView(), c.headers);
  EXPECT_EQ(response.Body().AsView(), c.body);
  const std::string status_line = c.bytes.substr(0, c.bytes.find("\r\n") + 2);
  if (c.state != HttpResponse::kStatusLine) {
    EXPECT_EQ(response.RawStatus().AsView(), status_line);
  }
}

// Every way of cutting the reply in two, and byte by byte, reads the same.
TEST(HttpResponse, ReadsTheSameWhereverTheReplyIsCut) {
  for (const ResponseCase& c : kCases) {
    for (size_t cut = 0; cut <= c.bytes.size(); ++cut) {
      HttpResponse response;
      ASSERT_TRUE(response.Feed(std::string_view(c.bytes).substr(0, cut)));
      ASSERT_TRUE(response.Feed(std::string_view(c.bytes).substr(cut)));
      ExpectCase(response, c, "cut at " + std::to_string(cut));
    }
    HttpResponse response;
    for (const char byte : c.bytes) response.Feed(std::string_view(&byte, 1));
    ExpectCase(response, c, "byte by byte");
    response.Reset();
    response.Feed(c.bytes);
    ExpectCase(response, c, "whole after a reset");
  }
}

TEST(HttpResponse, RefusesAReplyPastTheLimitAndKeepsWhatCameBefore) {
  HttpResponse response;
  ASSERT_TRUE(response.Feed("HTTP/1.0 200 OK\r\n\r\n"));
  const std::string block(1 << 20, 'x');
  int32_t taken = 0;
  while (response.Feed(block)) ++taken;
  EXPECT_EQ(taken, HttpResponse::kMaxBytes / (1 << 20) - 1);
  EXPECT_EQ(response.Body().Length(), taken * (1 << 20));
  EXPECT_TRUE(response.Feed("x")) << "what still fits is taken";
}

}  // namespace
}  // namespace kv
