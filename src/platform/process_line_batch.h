#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace scf {

// Complete output lines of a child, oldest first, kept as one block of text and the offset
// where each line ends. Handing a batch from the reader thread to the frame loop moves two
// buffers, whatever the number of lines, and clearing it keeps their room for the next
// batch: no string per line is made on one thread and freed on another.
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
    std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(begin, ends_[index] - begin);
  }
  std::string_view front() const { return (*this)[0]; }
  std::string_view back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }
  // Bytes held by all lines together.
  std::size_t textSize() const { return text_.size(); }

  // Adds one line (without its line end) after the others.
  void push(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
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
  std::string text_;
  std::vector<std::size_t> ends_;  // one past the last byte of each line in text_
};

}  // namespace scf
