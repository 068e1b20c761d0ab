#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace scf {

namespace line_storage {

// Storage of bytes counted in bytes. On Linux: malloc below 1 MiB, above it a mapping of its own
// that grows in place or by moving pages (mremap, no copy) and asks for huge pages. A frame's
// worth of a fast child's output can be tens of megabytes, and faulting that in 4 KiB at a time
// costs more than reading it from the pipe. On Windows: the C heap. Allocation failure throws
// std::bad_alloc. resize may round capacity up.
void* resize(void* old, std::size_t oldCapacity, std::size_t used, std::size_t& capacity);
void release(void* data, std::size_t capacity);

// A growing array of trivially copyable items in that storage.
template <typename T>
class Array {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  Array() = default;
  ~Array() { release(data_, capacityBytes_); }
  Array(const Array& other) { append(other.data(), other.size()); }
  Array& operator=(const Array& other) {
    if (this != &other) {
      clear();
      append(other.data(), other.size());
    }
    return *this;
  }
  Array(Array&& other) noexcept { swap(other); }
  Array& operator=(Array&& other) noexcept {
    Array taken(std::move(other));
    swap(taken);
    return *this;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::size_t capacityBytes() const { return capacityBytes_; }
  const T* data() const { return data_; }
  const T& operator[](std::size_t index) const { return data_[index]; }
  void clear() { size_ = 0; }
  void swap(Array& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacityBytes_, other.capacityBytes_);
  }
  void reserve(std::size_t count) {
    if (count * sizeof(T) <= capacityBytes_) return;
    std::size_t bytes = std::max(count * sizeof(T), 2 * capacityBytes_);
    data_ = static_cast<T*>(resize(data_, capacityBytes_, size_ * sizeof(T), bytes));
    capacityBytes_ = bytes;
  }
  void append(const T* items, std::size_t count) {
    if (count == 0) return;
    reserve(size_ + count);
    std::memcpy(data_ + size_, items, count * sizeof(T));
    size_ += count;
  }
  void push(const T& item) {
    reserve(size_ + 1);
    data_[size_++] = item;
  }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacityBytes_ = 0;
};

}  // namespace line_storage

// Complete output lines of a child, oldest first, kept as one block of text (the bytes as
// the child wrote them, line ends included) and the offset where each line's content ends. Handing
// a batch from the reader thread to the frame loop moves two buffers, whatever the number of lines,
// and clearing it keeps their room for the next batch: no string per line is made on one thread and
// freed on another.
//
// Lines are read as string_views into the batch, valid until it is changed or destroyed:
//
//   for (std::string_view line : batch) use(line);
class LineBatch {
 public:
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const LineBatch* batch, std::size_t index) : batch_(batch), index_(index) {}
    std::string_view operator*() const { return (*batch_)[index_]; }
    std::string_view operator[](difference_type offset) const { return *(*this + offset); }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++index_;
      return old;
    }
    const_iterator& operator--() {
      --index_;
      return *this;
    }
    const_iterator operator--(int) {
      const_iterator old = *this;
      --index_;
      return old;
    }
    const_iterator& operator+=(difference_type offset) {
      index_ = static_cast<std::size_t>(static_cast<difference_type>(index_) + offset);
      return *this;
    }
    const_iterator& operator-=(difference_type offset) { return *this += -offset; }
    friend const_iterator operator+(const_iterator at, difference_type offset) {
      return at += offset;
    }
    friend const_iterator operator+(difference_type offset, const_iterator at) {
      return at += offset;
    }
    friend const_iterator operator-(const_iterator at, difference_type offset) {
      return at -= offset;
    }
    friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
      return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.index_ == b.index_;
    }
    friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
      return a.index_ <=> b.index_;
    }

   private:
    const LineBatch* batch_ = nullptr;
    std::size_t index_ = 0;
  };

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t index) const {
    std::size_t begin = index == 0 ? 0 : nextBegin(ends_[index - 1]);
    return {text_.data() + begin, ends_[index] - begin};
  }
  std::string_view front() const { return (*this)[0]; }
  std::string_view back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }
  // Bytes held by all lines together, line ends included.
  std::size_t textSize() const { return text_.size(); }
  // Memory the batch has room in, used or not.
  std::size_t roomBytes() const { return text_.capacityBytes() + ends_.capacityBytes(); }

  // Adds one line (without its line end) after the others.
  void push(std::string_view line) {
    text_.append(line.data(), line.size());
    ends_.push(text_.size());
    text_.push('\n');
  }
  // Adds every line of more after the others.
  void append(const LineBatch& more);
  // Empties the batch and keeps its room.
  void clear() {
    text_.clear();
    ends_.clear();
  }
  void swap(LineBatch& other) noexcept {
    text_.swap(other.text_);
    ends_.swap(other.ends_);
  }
  // A copy of every line as its own string, for callers that keep lines.
  std::vector<std::string> strings() const;

 private:
  friend struct LineSplitter;

  // Adds whole lines at once: text is first then second, every line in it ended by "\n" or
  // "\r\n", and contentEnds are where each line's content ends, counted from text's start.
  void appendText(std::string_view first, std::string_view second,
                  const std::vector<std::size_t>& contentEnds);
  // Where the line after a content end begins: past "\n", or "\r\n" (a carriage return
  // kept in a line's content is always followed by its own line end).
  std::size_t nextBegin(std::size_t end) const { return end + (text_[end] == '\r' ? 2 : 1); }

  line_storage::Array<char> text_;
  line_storage::Array<std::size_t> ends_;  // one past the last byte of each line's content in text_
};

}  // namespace scf
