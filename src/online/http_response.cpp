#include "online/http_response.h"

#include <algorithm>

#include "util/text_parse.h"

namespace kv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";

int32_t ParseStatusCode(std::string_view line) {
  const size_t first = line.find(' ');
  if (first == std::string_view::npos) return HttpResponse::kNoStatus;
  const size_t second = line.find(' ', first + 1);
  if (second == std::string_view::npos) return HttpResponse::kNoStatus;
  const ParseResult<int32_t> code = TextToInt(line.substr(first + 1, second - first - 1));
  return code.ok ? code.value : HttpResponse::kNoStatus;
}

// Where a search of `buffer` may start when its first `searched` bytes held
// no match: a match may begin in the last pattern-length-minus-one of them.
size_t SearchFrom(int32_t searched, std::string_view pattern) {
  return static_cast<size_t>(
      std::max<int32_t>(0, searched - static_cast<int32_t>(pattern.size()) + 1));
}

}  // namespace

bool HttpResponse::Feed(std::string_view piece) {
  if (total_ + static_cast<int64_t>(piece.size()) > kMaxBytes) return false;
  total_ += static_cast<int64_t>(piece.size());
  switch (state_) {
    case kStatusLine:
      raw_status_.Append(piece);
      FindStatusLineEnd();
      break;
    case kHeaders:
      headers_.Append(piece);
      FindHeadersEnd();
      break;
    case kBody:
      body_.Append(piece);
      break;
  }
  return true;
}

void HttpResponse::FindStatusLineEnd() {
  const std::string_view raw = raw_status_.AsView();
  const size_t end = raw.find(kLineEnd, SearchFrom(searched_, kLineEnd));
  if (end == std::string_view::npos) {
    searched_ = raw_status_.Length();
    return;
  }
  const size_t line_length = end + kLineEnd.size();
  headers_.Append(raw.substr(line_length));
  status_code_ = ParseStatusCode(raw.substr(0, end));
  raw_status_.Truncate(static_cast<int32_t>(line_length));
  state_ = kHeaders;
  searched_ = 0;
  FindHeadersEnd();
}

void HttpResponse::FindHeadersEnd() {
  const std::string_view headers = headers_.AsView();
  size_t block_length = 0;
  if (headers.starts_with(kLineEnd)) {
    block_length =
        kLineEnd.size();  // no header lines at all: the blank line follows the status line
  } else {
    const size_t end = headers.find(kBlankLine, SearchFrom(searched_, kBlankLine));
    if (end == std::string_view::npos) {
      searched_ = headers_.Length();
      return;
    }
    block_length = end + kBlankLine.size();
  }
  body_.Append(headers.substr(block_length));
  headers_.Truncate(static_cast<int32_t>(block_length));
  state_ = kBody;
  searched_ = 0;
}

void HttpResponse::Reset() {
  raw_status_.Clear();
  headers_.Clear();
  body_.Clear();
  state_ = kStatusLine;
  status_code_ = kNoStatus;
  total_ = 0;
  searched_ = 0;
}

}  // namespace kv
