// HttpResponse: the reader of an HTTP/1.0 reply, fed the bytes as they
// arrive, in pieces of any size (one byte at a time gives the same result
// as the whole reply at once).
//
// It splits the reply into the status line, the header block and the body,
// and reads the status code; nothing else of the headers is interpreted (not
// even Content-Length: the body is whatever comes before the server closes).
// The status code is the text between the status line's first space and
// the next one, read as a signed decimal integer; it is kNoStatus when the
// line has no second space or no digit follows the first one ("HTTP/1.0
// 200" alone is no status). Only CR LF ends lines.
//
// Untrusted bytes: Feed never throws for what it is given. A reply longer
// than kMaxBytes in all is refused rather than held in memory.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/byte_string.h"

namespace kv {

class HttpResponse {
 public:
  enum ParseState : int32_t { kStatusLine = 0, kHeaders = 1, kBody = 2 };
  static constexpr int32_t kNoStatus = -1;
  // The track library's files are a few kilobytes; a reply this long is not
  // one of them.
  static constexpr int32_t kMaxBytes = 16 * 1024 * 1024;

  // Takes the next piece. False, with the piece dropped, when the reply
  // would grow past kMaxBytes.
  bool Feed(std::string_view piece);
  void Reset();

  ParseState State() const { return state_; }
  int32_t StatusCode() const { return status_code_; }
  // Until the line is complete, the bytes received; then the status line
  // with its CR LF.
  const ByteString& RawStatus() const { return raw_status_; }
  // The bytes after the status line; once the blank line has come, the
  // header block including that blank line.
  const ByteString& Headers() const { return headers_; }
  // Everything after the blank line.
  const ByteString& Body() const { return body_; }

 private:
  void FindStatusLineEnd();
  void FindHeadersEnd();

  ByteString raw_status_;
  ByteString headers_;
  ByteString body_;
  ParseState state_ = kStatusLine;
  int32_t status_code_ = kNoStatus;
  int64_t total_ = 0;
  int32_t searched_ = 0;  // bytes of the growing buffer already searched
};

}  // namespace kv
