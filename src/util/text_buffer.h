// TextBuffer: the shape shared by WideString (UTF-16 units) and ByteString
// (bytes). It owns its units (copies are deep, nothing is shared) and keeps
// the growth rules of the whole program in one place:
//   - appending (text, one unit, a number) when length + added > capacity
//     reallocates to length + added + 128 units, so building a file line by
//     line reallocates rarely;
//   - assigning a whole text longer than the capacity allocates exactly that
//     length;
//   - allocation failure throws kErrOutOfMemory (-2);
//   - an index outside 0..length-1 or a substring outside the text reports
//     KvCore 7; copying into a caller's buffer that is too small reports 8.
//
// Capacity() is the capacity these rules maintain and the point at which
// the next append reallocates. The standard string underneath is reserved
// to at least that size; its allocator may round the physical block up.
//
// Lengths and indices are int32 units (bytes for ByteString, UTF-16 units
// for WideString). Not thread-safe: one owner thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "util/errors.h"
#include "util/number_text.h"

namespace kv {

template <typename Unit, typename Derived>
class TextBuffer {
 public:
  using View = std::basic_string_view<Unit>;
  using Storage = std::basic_string<Unit>;

  // Units added beyond the need when an append reallocates.
  static constexpr int32_t kAppendSlack = 128;

  TextBuffer() = default;
  explicit TextBuffer(View text) { Assign(text); }
  TextBuffer(const TextBuffer& other) { Assign(other.AsView()); }
  TextBuffer(TextBuffer&& other) noexcept
      : units_(std::move(other.units_)), capacity_(other.capacity_) {
    other.units_.clear();
    other.capacity_ = 0;
  }
  TextBuffer& operator=(const TextBuffer& other) {
    if (this != &other) Assign(other.AsView());
    return *this;
  }
  TextBuffer& operator=(TextBuffer&& other) noexcept {
    if (this != &other) {
      units_ = std::move(other.units_);
      capacity_ = other.capacity_;
      other.units_.clear();
      other.capacity_ = 0;
    }
    return *this;
  }
  TextBuffer& operator=(View text) {
    Assign(text);
    return *this;
  }

  int32_t Length() const { return static_cast<int32_t>(units_.size()); }
  int32_t Capacity() const { return capacity_; }
  bool IsEmpty() const { return units_.empty(); }

  View AsView() const { return View(units_); }
  operator View() const { return AsView(); }  // NOLINT: texts pass as views
  const Unit* Data() const { return units_.data(); }
  // The standard string underneath, for APIs that want one (it is also
  // NUL-terminated through c_str()).
  const Storage& Std() const { return units_; }

  Unit At(int32_t index) const {
    CheckIndex(index);
    return units_[static_cast<size_t>(index)];
  }
  Unit operator[](int32_t index) const { return At(index); }
  void SetAt(int32_t index, Unit unit) {
    CheckIndex(index);
    units_[static_cast<size_t>(index)] = unit;
  }

  // Replaces the whole text; a text longer than the capacity gets a buffer
  // of exactly its length.
  void Assign(View text) {
    if (text.size() > static_cast<size_t>(capacity_)) {
      const int32_t length = CheckedLength(static_cast<int64_t>(text.size()));
      Storage fresh;
      ReserveStorage(fresh, length);
      fresh.assign(text);
      units_.swap(fresh);
      capacity_ = length;
    } else {
      units_.assign(text.data(), text.size());
    }
  }

  void Append(View text) {
    if (text.empty()) return;
    if (Aliases(text) && Length() + static_cast<int64_t>(text.size()) > capacity_) {
      const Storage copy(text);  // growing would move the units `text` points at
      Append(View(copy));
      return;
    }
    ReserveAppend(static_cast<int64_t>(text.size()));
    units_.append(text.data(), text.size());
  }
  void AppendUnit(Unit unit) {
    ReserveAppend(1);
    units_.push_back(unit);
  }
  void AppendRepeated(Unit unit, int32_t count) {
    if (count <= 0) return;
    ReserveAppend(count);
    units_.append(static_cast<size_t>(count), unit);
  }

  // Signed decimal integer: "-" for negative values, then zeros up to
  // `width` characters (the sign counts), then the digits.
  void AppendInt(int64_t value, int32_t width = 0) {
    const number_text::Digits digits = number_text::DecimalDigits(value);
    const int32_t sign = value < 0 ? 1 : 0;
    const int32_t zeros = width - sign - digits.length;
    ReserveAppend(static_cast<int64_t>(sign) + (zeros > 0 ? zeros : 0) + digits.length);
    if (sign != 0) units_.push_back(static_cast<Unit>('-'));
    if (zeros > 0) units_.append(static_cast<size_t>(zeros), static_cast<Unit>('0'));
    AppendAscii(digits.View());
  }

  // Real number with `decimals` digits after "." (rounded half up), "+" for
  // non-negative values when `sign` is set, "NaN" for NaN. See
  // number_text::FormatReal for the exact rules.
  void AppendReal(double value, int32_t decimals, bool sign = false) {
    const number_text::RealText text = number_text::FormatReal(value, decimals, sign);
    ReserveAppend(text.length);
    AppendAscii(text.View());
  }

  // Copy of units [start, start + count); a range outside the text is
  // KvCore 7.
  Derived Substring(int32_t start, int32_t count) const {
    CheckRange(start, count);
    return Derived(AsView().substr(static_cast<size_t>(start), static_cast<size_t>(count)));
  }
  // Removes units [start, start + count); a range outside the text is 7.
  void Remove(int32_t start, int32_t count) {
    CheckRange(start, count);
    units_.erase(static_cast<size_t>(start), static_cast<size_t>(count));
  }
  // Shortens the text to `length` units (0..Length(), else 7).
  void Truncate(int32_t length) {
    if (length < 0 || length > Length()) ReportProgrammingError(kBadStringIndex);
    units_.resize(static_cast<size_t>(length));
  }
  // Empties the text; the buffer is kept.
  void Clear() { units_.clear(); }

  // Copies the text into a caller's fixed buffer (no terminator). A text
  // longer than the buffer is a programming error, KvCore 8.
  void CopyTo(std::span<Unit> destination) const {
    if (units_.size() > destination.size()) ReportProgrammingError(kBadStringCopy);
    units_.copy(destination.data(), units_.size());
  }

  // Applies the append growth rule for `added` more units, so that a caller
  // that knows the size of what it appends reallocates at most once.
  void ReserveAppend(int64_t added) {
    const int64_t need = Length() + added;
    if (need <= capacity_) return;
    const int32_t capacity = CheckedLength(need + kAppendSlack);
    ReserveStorage(units_, capacity);
    capacity_ = capacity;
  }

  friend bool operator==(const Derived& a, const Derived& b) { return a.AsView() == b.AsView(); }
  friend bool operator==(const Derived& a, View b) { return a.AsView() == b; }

 protected:
  ~TextBuffer() = default;

  // Appends ASCII characters (digits, signs, separators) as units; the
  // caller has reserved the room.
  void AppendAscii(std::string_view ascii) {
    for (char c : ascii) units_.push_back(static_cast<Unit>(static_cast<unsigned char>(c)));
  }

 private:
  void CheckIndex(int32_t index) const {
    if (index < 0 || index >= Length()) ReportProgrammingError(kBadStringIndex);
  }
  void CheckRange(int32_t start, int32_t count) const {
    if (start < 0 || count < 0 || static_cast<int64_t>(start) + count > Length()) {
      ReportProgrammingError(kBadStringIndex);
    }
  }
  bool Aliases(View text) const {
    const std::less<const Unit*> before;
    const Unit* begin = units_.data();
    return !before(text.data(), begin) && before(text.data(), begin + units_.capacity());
  }
  static int32_t CheckedLength(int64_t length) {
    if (length > std::numeric_limits<int32_t>::max()) ThrowCode(kErrOutOfMemory);
    return static_cast<int32_t>(length);
  }
  static void ReserveStorage(Storage& storage, int32_t capacity) {
    try {
      storage.reserve(static_cast<size_t>(capacity));
    } catch (const std::bad_alloc&) {
      ThrowCode(kErrOutOfMemory);
    } catch (const std::length_error&) {
      ThrowCode(kErrOutOfMemory);
    }
  }

  Storage units_;
  int32_t capacity_ = 0;
};

}  // namespace kv
