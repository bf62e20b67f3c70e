// GrowableArray: the list type used throughout. It grows by at least the
// step chosen per list, and by half its size once that is more: a fixed
// step made a session of a million samples cost seconds of copying to
// load. Removal never shrinks it. An index outside the list is a
// programming error ("KvCore" 3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "util/errors.h"

namespace kv {

template <typename T>
class GrowableArray {
 public:
  explicit GrowableArray(int32_t growth_step) : step_(growth_step > 0 ? growth_step : 1) {}

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t Capacity() const { return static_cast<int32_t>(items_.capacity()); }
  bool Empty() const { return items_.empty(); }

  void Append(const T& item) {
    Reserve();
    items_.push_back(item);
  }
  void Insert(int32_t index, const T& item) {
    if (index < 0 || index > Count()) ReportProgrammingError(kBadArrayIndex);
    Reserve();
    items_.insert(items_.begin() + index, item);
  }
  void RemoveAt(int32_t index) {
    Check(index);
    items_.erase(items_.begin() + index);
  }
  T& At(int32_t index) {
    Check(index);
    return items_[static_cast<size_t>(index)];
  }
  const T& At(int32_t index) const {
    Check(index);
    return items_[static_cast<size_t>(index)];
  }
  T& operator[](int32_t index) { return At(index); }
  const T& operator[](int32_t index) const { return At(index); }
  void Clear() { items_.clear(); }
  // Takes a whole list at once (a loaded file), without copying it.
  void Adopt(std::vector<T>&& items) { items_ = std::move(items); }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  void Check(int32_t index) const {
    if (index < 0 || index >= Count()) ReportProgrammingError(kBadArrayIndex);
  }
  void Reserve() {
    if (items_.size() == items_.capacity()) {
      try {
        const size_t step = static_cast<size_t>(step_);
        items_.reserve(items_.capacity() + (items_.capacity() / 2 > step ? items_.capacity() / 2 : step));
      } catch (const std::bad_alloc&) {
        ThrowCode(kErrOutOfMemory);
      }
    }
  }

  int32_t step_;
  std::vector<T> items_;
};

}  // namespace kv
