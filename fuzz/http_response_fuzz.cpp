// Fuzz target for HttpResponse: the input is a reply as a server might send
// it. It is fed whole, and again cut at offsets taken from its first bytes;
// both feeds must read the same status, parts and state, and the parts must
// put the reply back together byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "online/http_response.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  std::vector<size_t> cuts;
  for (size_t i = 0; i < 6 && i < size; ++i) cuts.push_back(data[i] * size / 256);
  cuts.push_back(size);
  std::sort(cuts.begin(), cuts.end());

  kv::HttpResponse whole, pieces;
  Check(whole.Feed(reply));
  size_t at = 0;
  for (const size_t cut : cuts) {
    Check(pieces.Feed(reply.substr(at, cut - at)));
    at = cut;
  }
  Check(whole.State() == pieces.State() && whole.StatusCode() == pieces.StatusCode());
  Check(whole.RawStatus().AsView() == pieces.RawStatus().AsView());
  Check(whole.Headers().AsView() == pieces.Headers().AsView());
  Check(whole.Body().AsView() == pieces.Body().AsView());
  const std::string joined = whole.RawStatus().Std() + whole.Headers().Std() + whole.Body().Std();
  Check(joined == reply);
  Check(whole.StatusCode() == kv::HttpResponse::kNoStatus ||
        whole.State() != kv::HttpResponse::kStatusLine);
  if (whole.State() != kv::HttpResponse::kStatusLine)
    Check(whole.RawStatus().AsView().ends_with("\r\n"));
  if (whole.State() == kv::HttpResponse::kBody) Check(whole.Headers().AsView().ends_with("\r\n"));
  return 0;
}
