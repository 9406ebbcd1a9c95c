#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "display/LineWrap.h"
#include "display/TrafficView.h"

namespace lirosa {

// What the traffic display holds: records of coloured text, broken into
// rows as the display shows them. Appending a record costs the same however
// much is held, and so do the questions the window logic asks (text length,
// rows), so a display left running for days stays as fast as a fresh one.
//
// Text is kept as UTF-8 in chunks of fixed size; invalid UTF-8 becomes
// U+FFFD. Line breaks are stored as a single CR: a CR, an LF or a CR LF
// (also split over two records) each make one break. Positions are byte
// offsets counted from the first byte ever appended, so a position stays
// valid while older text is dropped and newer arrives; rows are numbered
// the same way. Both only grow; Clear and a change of width start new
// numbers rather than reusing old ones.
//
// Capacity: once the held text passes a limit (records, bytes or rows) by a
// sixteenth, the oldest rows are dropped until it is back within it. The
// newest `records` records (or `bytes` bytes, whichever is less) are thus
// always kept, and each trim moves only a small share of what is held.
class TrafficText {
 public:
  struct Limits {
    std::size_t records = 1'000'000;
    std::size_t bytes = 64u << 20;
    std::size_t rows = 4'000'000;
  };
  // Bytes per chunk of storage; a trim frees whole chunks.
  static constexpr std::size_t kChunkBytes = 1u << 20;

  explicit TrafficText(int lineChars = 80) : TrafficText(lineChars, Limits{}) {}
  TrafficText(int lineChars, Limits limits);
  TrafficText(const TrafficText&) = delete;
  TrafficText& operator=(const TrafficText&) = delete;

  // Appends `utf8` at the end in `colour`; empty text changes nothing.
  void Append(std::string_view utf8, Colour colour);
  // Drops everything; the numbers of positions and rows go on from here.
  void Clear();

  // Characters (code points) held, line breaks included.
  std::size_t TextLength() const { return chars_; }
  // Rows as shown, wrapped rows included; 1 when empty.
  int LineCount() const { return static_cast<int>(rows_.size()); }
  std::size_t Records() const { return runs_.size(); }
  std::size_t Bytes() const { return static_cast<std::size_t>(end_ - begin_); }
  // Times the oldest text was dropped for capacity.
  std::size_t Trims() const { return trims_; }

  // Cells per row; changing it breaks all rows again (this costs time in
  // proportion to what is held). Below 1 counts as 1.
  void SetLineChars(int lineChars);
  int LineChars() const { return lineChars_; }

  // Positions held: [Begin, End).
  std::uint64_t Begin() const { return begin_; }
  std::uint64_t End() const { return end_; }
  // Rows held: [FirstRow, EndRow).
  std::uint64_t FirstRow() const { return firstRow_; }
  std::uint64_t EndRow() const { return firstRow_ + rows_.size(); }
  // Where a row held starts, and where its text ends (before its CR).
  std::uint64_t RowStart(std::uint64_t row) const;
  std::uint64_t RowEnd(std::uint64_t row) const;
  // The row showing `position` (clamped to what is held).
  std::uint64_t RowOf(std::uint64_t position) const;

  // The bytes of [from, to), clamped to what is held.
  std::string Text(std::uint64_t from, std::uint64_t to) const;
  // The same into `out`, whose storage is reused.
  void TextInto(std::uint64_t from, std::uint64_t to, std::string& out) const;
  // Colour of the character at `position`, and where the next record (and
  // so possibly the next colour) starts after it (End when none).
  Colour ColourAt(std::uint64_t position) const;
  std::uint64_t NextRecordStart(std::uint64_t position) const;
  // The records held by index, 0 ... Records() - 1, for walking through
  // them in order: the record showing `position` (0 when none is held),
  // and where a record starts and its colour. Indexes change when the
  // oldest text is dropped.
  std::size_t RecordAt(std::uint64_t position) const { return RunIndex(position); }
  std::uint64_t RecordStart(std::size_t index) const { return runs_[index].start; }
  Colour RecordColour(std::size_t index) const { return runs_[index].colour; }

 private:
  struct Run {
    std::uint64_t start;
    Colour colour;
  };

  void Store(std::string_view clean);
  void Wrap(std::string_view clean, std::uint64_t at);
  void Trim();
  void DropBefore(std::uint64_t position);
  char ByteAt(std::uint64_t position) const;
  std::size_t RunIndex(std::uint64_t position) const;

  Limits limits_;
  int lineChars_;
  RowBreaker breaker_;  // where the last row stands
  std::deque<std::unique_ptr<char[]>> chunks_;
  std::uint64_t chunkBase_ = 0;  // position of chunks_.front()[0]
  std::uint64_t begin_ = 0;
  std::uint64_t end_ = 0;
  std::size_t chars_ = 0;
  std::deque<std::uint64_t> rows_{0};  // start of each row held
  std::uint64_t firstRow_ = 0;
  std::deque<Run> runs_;
  bool afterCr_ = false;  // the last byte held is a CR: an LF now is its pair
  std::size_t trims_ = 0;
  std::string clean_;  // scratch for Append
};

}  // namespace lirosa
