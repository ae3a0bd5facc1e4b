// The pedigree table: one row of 32-bit values per individual, held in one
// contiguous block (a study of thousands of people and markers stays compact).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <utility>
#include <vector>

// The table's allocator. Its resize leaves new values unset: a table being
// read is sized for the whole file at once, and its pages are touched only
// as the parsing threads fill them. A large table gets a mapping of its own,
// backed by huge pages where the system gives them on request: a 4 KiB page
// touched for the first time costs microseconds, and a study's table spans
// thousands of them.
void* allocateTableMemory(std::size_t bytes);
void releaseTableMemory(void* memory, std::size_t bytes);

template <class T>
struct TableAllocator {
  using value_type = T;
  TableAllocator() = default;
  template <class U>
  TableAllocator(const TableAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocateTableMemory(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { releaseTableMemory(p, n * sizeof(T)); }
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const TableAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const TableAllocator<U>&) const {
    return false;
  }
};

// The table's values, row after row.
using PedValues = std::vector<std::int32_t, TableAllocator<std::int32_t>>;

// One row of the table, read-only: value c of the row is row[c].
class PedRow {
 public:
  PedRow(const std::int32_t* values, std::size_t width) : values_(values), width_(width) {}
  long operator[](std::size_t c) const { return values_[c]; }
  std::size_t size() const { return width_; }
  const std::int32_t* begin() const { return values_; }
  const std::int32_t* end() const { return values_ + width_; }

 private:
  const std::int32_t* values_;
  std::size_t width_;
};

// Columns: 0 pedigree id, 1 individual id, 2 father id, 3 mother id (0 = not
// given), 4 sex (1 male, 2 female), 5 affection (2 affected), and the two
// alleles of marker m in columns 2m + 4 and 2m + 5 (0 = allele missing).
// Every row has the same width, set by the first row added.
class PedTable {
 public:
  PedTable() = default;
  PedTable(std::initializer_list<std::vector<long>> rows) {
    for (const auto& row : rows) {
      push_back(row);
    }
  }

  // A table of width-wide rows from their values, row after row.
  PedTable(std::size_t width, PedValues values)
      : values_(std::move(values)), rows_(width == 0 ? 0 : values_.size() / width), width_(width) {}

  // Appends a row; its values must fit 32 bits (the reader checks them).
  void push_back(const std::vector<long>& row) {
    if (rows_ == 0) {
      width_ = row.size();
    }
    for (std::size_t c = 0; c < width_; ++c) {
      values_.push_back(static_cast<std::int32_t>(c < row.size() ? row[c] : 0));
    }
    ++rows_;
  }
  void set(std::size_t r, std::size_t c, long value) { values_[r * width_ + c] = static_cast<std::int32_t>(value); }
  // Keeps the first `rows` rows (new rows are all zeros).
  void resize(std::size_t rows) {
    values_.resize(rows * width_, 0);
    rows_ = rows;
  }
  void reserve(std::size_t rows, std::size_t width) { values_.reserve(rows * width); }
  void clear() {
    values_.clear();
    rows_ = 0;
    width_ = 0;
  }

  std::size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  std::size_t width() const { return width_; }
  PedRow operator[](std::size_t r) const { return PedRow(values_.data() + r * width_, width_); }
  // Row r's values, to be written (width() of them).
  std::int32_t* rowData(std::size_t r) { return values_.data() + r * width_; }

  // Rows in table order, for range-for.
  class Iterator {
   public:
    Iterator(const PedTable* table, std::size_t r) : table_(table), r_(r) {}
    PedRow operator*() const { return (*table_)[r_]; }
    Iterator& operator++() {
      ++r_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return r_ != other.r_; }

   private:
    const PedTable* table_;
    std::size_t r_;
  };
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, rows_); }

  bool operator==(const PedTable& other) const {
    return rows_ == other.rows_ && width_ == other.width_ && values_ == other.values_;
  }

 private:
  PedValues values_;  // row-major
  std::size_t rows_ = 0;
  std::size_t width_ = 0;
};
