#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace lirosa {

// How the traffic display breaks a logical line (the text between two CRs)
// into rows. The display is a grid of character cells: a character takes
// one cell, an East Asian wide character two, and a row holds `lineChars`
// cells. A row breaks before the first character that does not fit, at any
// character, never inside one; a character wider than the whole row stands
// alone on its row.

// Cells `codePoint` takes: 2 for East Asian wide and full-width forms, else 1.
int CellWidth(char32_t codePoint);

// Decodes the code point at `pos` of valid UTF-8 text and moves `pos` past
// it. Text the display holds is always valid; on a stray byte this returns
// that byte's value and moves on by one, so it never reads past the end.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Rows of one logical line (UTF-8, without its CR) on rows of `lineChars`
// cells; at least 1, also for an empty line. `lineChars` below 1 counts as 1.
int WrappedRows(std::string_view line, int lineChars);

// The same break rule, a character at a time, for text that keeps growing.
class RowBreaker {
 public:
  explicit RowBreaker(int lineChars) : lineChars_(lineChars < 1 ? 1 : lineChars) {}

  // Places a character of `cells` width; true when it starts a new row.
  bool Place(int cells) {
    const bool breaks = column_ > 0 && column_ + cells > lineChars_;
    if (breaks) column_ = 0;
    column_ += cells;
    return breaks;
  }
  // Places `count` one-cell characters, as many Place(1) calls would;
  // `rowStart(i)` is told each index i in the run that starts a new row.
  template <typename RowStart>
  void PlaceSingles(std::size_t count, RowStart&& rowStart) {
    std::size_t i = 0;
    while (i < count) {
      if (column_ >= lineChars_) {
        rowStart(i);
        column_ = 0;
      }
      const std::size_t fits = std::min(count - i, static_cast<std::size_t>(lineChars_ - column_));
      column_ += static_cast<int>(fits);
      i += fits;
    }
  }
  // A line break: the next character starts a row of its own.
  void NewLine() { column_ = 0; }
  int Column() const { return column_; }
  int LineChars() const { return lineChars_; }

 private:
  int lineChars_;
  int column_ = 0;
};

}  // namespace lirosa
