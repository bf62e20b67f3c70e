// HttpMessage: the request of one exchange, in the bytes that go out, and
// its response. Building is main-thread work done before the request
// starts; afterwards the worker owns it (see HttpClient).
//
// Header lines are "Name: value" CR LF. A form is multipart/form-data with
// the boundary below; its text values and file names are UTF-8 with every
// double quote doubled, while field names and file contents go out byte
// for byte.
#pragma once

#include <cstdint>
#include <string_view>

#include "online/http_response.h"
#include "online/http_url.h"
#include "util/byte_string.h"

namespace kv {

inline constexpr std::string_view kUserAgent = "Korvatinel/1.25/PSPC";
inline constexpr std::string_view kFormBoundary = "KORVATINEL-MULTIPART-ID";
inline constexpr std::string_view kFormContentType =
    "multipart/form-data; boundary=KORVATINEL-MULTIPART-ID";

enum class HttpMethod : int32_t { kGet = 0, kPost = 1 };

struct HttpMessage {
  ServerAddress address;  // where the worker connects
  ByteString request_line;
  ByteString headers;
  ByteString body;
  int32_t sent_request_line = 0;
  int32_t sent_headers = 0;
  int32_t sent_body = 0;
  HttpResponse response;

  // Empties the request and the response; the address stays.
  void Reset();

  void AppendHeader(std::string_view name, std::string_view value);
  void AppendFieldPart(std::string_view name, std::u16string_view value);
  void AppendFilePart(std::string_view name, std::u16string_view file_name,
                      std::string_view content);
  void AppendFormEnd();

  // The request line, then "Host" and "Content-Length" (the body's length)
  // and the blank line that ends the headers. False, with nothing added,
  // when the URL is not one SplitUrl takes.
  bool FinishRequest(HttpMethod method, std::string_view url);

  // The next at most `limit` unsent bytes, from the request line, then the
  // headers, then the body; the cursor moves past them. Empty when all is
  // sent.
  std::string_view TakeUnsent(int32_t limit);
};

}  // namespace kv
