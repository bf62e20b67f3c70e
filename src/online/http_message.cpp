#include "online/http_message.h"

#include <algorithm>

#include "util/utf_convert.h"

namespace kv {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string_view TakeFrom(const ByteString& buffer, int32_t* sent, int32_t limit) {
  const int32_t count = std::min(limit, buffer.Length() - *sent);
  if (count <= 0) return {};
  const std::string_view piece =
      buffer.AsView().substr(static_cast<size_t>(*sent), static_cast<size_t>(count));
  *sent += count;
  return piece;
}

}  // namespace

void HttpMessage::Reset() {
  request_line.Clear();
  headers.Clear();
  body.Clear();
  sent_request_line = sent_headers = sent_body = 0;
  response.Reset();
}

void HttpMessage::AppendHeader(std::string_view name, std::string_view value) {
  headers.Append(name);
  headers.Append(": ");
  headers.Append(value);
  headers.Append(kCrLf);
}

void HttpMessage::AppendFieldPart(std::string_view name, std::u16string_view value) {
  body.Append("--");
  body.Append(kFormBoundary);
  body.Append("\r\nContent-Disposition: form-data; name=\"");
  body.Append(name);
  body.Append("\"\r\n\r\n");
  AppendFormQuoted(body, value);
  body.Append(kCrLf);
}

void HttpMessage::AppendFilePart(std::string_view name, std::u16string_view file_name,
                                 std::string_view content) {
  body.Append("--");
  body.Append(kFormBoundary);
  body.Append("\r\nContent-Disposition: form-data; name=\"");
  body.Append(name);
  body.Append("\"; filename=\"");
  AppendFormQuoted(body, file_name);
  body.Append(
      "\"\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n\r\n");
  body.Append(content);
  body.Append(kCrLf);
}

void HttpMessage::AppendFormEnd() {
  body.Append("--");
  body.Append(kFormBoundary);
  body.Append("--\r\n");
}

bool HttpMessage::FinishRequest(HttpMethod method, std::string_view url) {
  HttpUrl parts;
  if (!SplitUrl(url, &parts)) return false;
  address = parts.address;
  request_line.Clear();
  request_line.Append(method == HttpMethod::kGet ? "GET " : "POST ");
  request_line.Append(parts.path);
  request_line.Append(" HTTP/1.0\r\n");
  AppendHeader("Host", parts.server);
  ByteString length;
  length.AppendInt(body.Length());
  AppendHeader("Content-Length", length);
  headers.Append(kCrLf);
  return true;
}

std::string_view HttpMessage::TakeUnsent(int32_t limit) {
  std::string_view piece = TakeFrom(request_line, &sent_request_line, limit);
  if (piece.empty()) piece = TakeFrom(headers, &sent_headers, limit);
  if (piece.empty()) piece = TakeFrom(body, &sent_body, limit);
  return piece;
}

}  // namespace kv
