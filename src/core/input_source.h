// InputSource: window-system input, waited on by the same one wait as the
// events of the waitable objects, so the loop never polls. The window
// program supplies it; the terminal program has none.
#pragma once

namespace kv {

class InputSource {
 public:
  virtual ~InputSource() = default;
  // A handle that is readable while input may be pending; -1 for none.
  virtual int WaitHandle() const = 0;
  // Handles all pending input on the main thread.
  virtual void Dispatch() = 0;
};

}  // namespace kv
