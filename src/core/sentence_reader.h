// What the main thread's data flow needs of a sentence parser.
#pragma once

#include <string_view>

#include "core/fix_record.h"

namespace kv {

class SentenceReader {
 public:
  virtual ~SentenceReader() = default;
  virtual void Append(std::string_view text) = 0;
  virtual bool NextSentence() = 0;               // true when a line was taken
  virtual std::string_view RawLine() const = 0;  // last line with its line end
  virtual const FixRecord& Fix() const = 0;
  virtual void Clear() = 0;
};

}  // namespace kv
