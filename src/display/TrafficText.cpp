#include "display/TrafficText.h"

#include <algorithm>
#include <cstring>

#include "display/RecordText.h"

namespace lirosa {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence at `pos`, or 0: overlong forms,
// surrogates and values past U+10FFFF are not valid.
std::size_t ValidSequence(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::size_t CountChars(const char* bytes, std::size_t length) {
  return CharacterCount(std::string_view(bytes, length));
}

// Bytes from the start that are ASCII and not `stop`, eight at a time: a
// word holds `stop` where its XOR with a word of `stop` has a zero byte.
std::size_t AsciiSpan(std::string_view text, char stop) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const std::uint64_t stops = kOnes * static_cast<unsigned char>(stop);
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    const std::uint64_t x = word ^ stops;
    if (((word | ((x - kOnes) & ~x)) & kHigh) != 0) break;
  }
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80 || text[i] == stop) break;
    ++i;
  }
  return i;
}

// Bytes held as they come: ASCII other than LF.
std::size_t PlainSpan(std::string_view text) { return AsciiSpan(text, '\n'); }

// Bytes that each take one cell: ASCII other than CR.
std::size_t CellSpan(std::string_view text) { return AsciiSpan(text, '\r'); }

}  // namespace

TrafficText::TrafficText(int lineChars, Limits limits)
    : limits_(limits), lineChars_(std::max(1, lineChars)), breaker_(lineChars_) {
  limits_.records = std::max<std::size_t>(limits_.records, 1);
  limits_.bytes = std::max<std::size_t>(limits_.bytes, 16);
  limits_.rows = std::max<std::size_t>(limits_.rows, 2);
}

void TrafficText::Append(std::string_view utf8, Colour colour) {
  // Most records (hex above all) are plain ASCII without LF: they are held
  // as they come, and nothing needs copying or decoding first.
  std::string_view clean = utf8;
  if (PlainSpan(utf8) != utf8.size()) {
    clean_.clear();
    for (std::size_t pos = 0; pos < utf8.size();) {
      const std::size_t plain = PlainSpan(utf8.substr(pos));
      clean_.append(utf8.data() + pos, plain);
      pos += plain;
      if (pos == utf8.size()) break;
      if (utf8[pos] == '\n') {
        // The LF of a CR LF (also when the CR ended the record before).
        const bool paired = clean_.empty() ? afterCr_ : clean_.back() == '\r';
        if (!paired) clean_ += '\r';
        ++pos;
        continue;
      }
      const std::size_t length = ValidSequence(utf8, pos);
      if (length == 0) {
        clean_ += kReplacement;
        ++pos;
        continue;
      }
      clean_.append(utf8.data() + pos, length);
      pos += length;
    }
    clean = clean_;
  }
  if (clean.empty()) return;
  runs_.push_back({end_, colour});
  Wrap(clean, end_);
  Store(clean);
  chars_ += CountChars(clean.data(), clean.size());
  afterCr_ = clean.back() == '\r';
  Trim();
}

void TrafficText::Wrap(std::string_view clean, std::uint64_t at) {
  for (std::size_t pos = 0; pos < clean.size();) {
    // Hex and most text is ASCII: a stretch of one-cell characters breaks
    // into rows by arithmetic, with no look at each byte's width.
    const std::size_t cells = CellSpan(clean.substr(pos));
    if (cells > 0) {
      breaker_.PlaceSingles(cells, [&](std::size_t offset) { rows_.push_back(at + pos + offset); });
      pos += cells;
      continue;
    }
    const std::uint64_t start = at + pos;
    const char32_t c = NextCodePoint(clean, pos);
    if (c == U'\r') {
      breaker_.NewLine();
      rows_.push_back(at + pos);
      continue;
    }
    if (breaker_.Place(CellWidth(c))) rows_.push_back(start);
  }
}

void TrafficText::Store(std::string_view clean) {
  std::size_t done = 0;
  while (done < clean.size()) {
    const std::uint64_t offset = end_ - chunkBase_;
    const std::size_t chunk = static_cast<std::size_t>(offset / kChunkBytes);
    const std::size_t within = static_cast<std::size_t>(offset % kChunkBytes);
    // Left unfilled: zeroing a fresh chunk touched all its pages in one
    // append, a stall of milliseconds where the kernel is slow to give
    // pages; written as text comes, they are taken a page at a time.
    if (chunk == chunks_.size()) {
      chunks_.emplace_back(new char[kChunkBytes]);
    }
    const std::size_t piece = std::min(clean.size() - done, kChunkBytes - within);
    std::memcpy(chunks_[chunk].get() + within, clean.data() + done, piece);
    done += piece;
    end_ += piece;
  }
}

void TrafficText::Trim() {
  const bool over = runs_.size() > limits_.records + limits_.records / 16 ||
                    Bytes() > limits_.bytes + limits_.bytes / 16 ||
                    rows_.size() > limits_.rows + limits_.rows / 16;
  if (!over) return;
  std::uint64_t keepFrom = begin_;
  if (runs_.size() > limits_.records) keepFrom = runs_[runs_.size() - limits_.records].start;
  if (Bytes() > limits_.bytes) keepFrom = std::max(keepFrom, end_ - limits_.bytes);
  // The first row that starts there or later; at least the last row stays.
  std::size_t row = static_cast<std::size_t>(
      std::lower_bound(rows_.begin(), rows_.end(), keepFrom) - rows_.begin());
  if (rows_.size() > limits_.rows) row = std::max(row, rows_.size() - limits_.rows);
  row = std::min(row, rows_.size() - 1);
  DropBefore(rows_[row]);
  ++trims_;
}

void TrafficText::DropBefore(std::uint64_t position) {
  if (position <= begin_) return;
  // Count what goes, a chunk's span at a time.
  for (std::uint64_t at = begin_; at < position;) {
    const std::uint64_t offset = at - chunkBase_;
    const std::size_t within = static_cast<std::size_t>(offset % kChunkBytes);
    const std::size_t piece = static_cast<std::size_t>(
        std::min<std::uint64_t>(position - at, kChunkBytes - within));
    chars_ -= CountChars(chunks_[static_cast<std::size_t>(offset / kChunkBytes)].get() + within,
                         piece);
    at += piece;
  }
  begin_ = position;
  while (rows_.size() > 1 && rows_.front() < position) {
    rows_.pop_front();
    ++firstRow_;
  }
  while (runs_.size() > 1 && runs_[1].start <= position) runs_.pop_front();
  while (!chunks_.empty() && chunkBase_ + kChunkBytes <= position) {
    chunks_.pop_front();
    chunkBase_ += kChunkBytes;
  }
}

void TrafficText::Clear() {
  firstRow_ += rows_.size();
  rows_.assign(1, end_);
  runs_.clear();
  begin_ = end_;
  chars_ = 0;
  afterCr_ = false;
  breaker_.NewLine();
  // The chunk being written stays; it is reused from its next byte.
  while (!chunks_.empty() && chunkBase_ + kChunkBytes <= end_) {
    chunks_.pop_front();
    chunkBase_ += kChunkBytes;
  }
}

void TrafficText::SetLineChars(int lineChars) {
  lineChars = std::max(1, lineChars);
  if (lineChars == lineChars_) return;
  lineChars_ = lineChars;
  breaker_ = RowBreaker(lineChars_);
  firstRow_ += rows_.size();
  rows_.assign(1, begin_);
  // Straight from the chunks, never cutting a character: one that goes on
  // into the next chunk is wrapped with a copy of its few bytes.
  for (std::uint64_t at = begin_; at < end_;) {
    const std::uint64_t offset = at - chunkBase_;
    const std::size_t within = static_cast<std::size_t>(offset % kChunkBytes);
    const std::size_t span = static_cast<std::size_t>(
        std::min<std::uint64_t>(end_ - at, kChunkBytes - within));
    std::string_view piece(chunks_[static_cast<std::size_t>(offset / kChunkBytes)].get() + within,
                           span);
    std::size_t whole = piece.size();
    if (at + span < end_) {
      std::size_t lead = whole;
      while (lead > 0 && (static_cast<unsigned char>(piece[lead - 1]) & 0xC0) == 0x80) --lead;
      if (lead > 0 && static_cast<unsigned char>(piece[lead - 1]) >= 0x80) whole = lead - 1;
    }
    if (whole == 0) {
      // The chunk starts with the straddling character: take it whole.
      const std::string across = Text(at, std::min<std::uint64_t>(end_, at + 4));
      std::size_t length = 0;
      NextCodePoint(across, length);
      Wrap(std::string_view(across).substr(0, length), at);
      at += length;
      continue;
    }
    Wrap(piece.substr(0, whole), at);
    at += whole;
  }
}

std::uint64_t TrafficText::RowStart(std::uint64_t row) const {
  row = std::clamp(row, firstRow_, EndRow() - 1);
  return rows_[static_cast<std::size_t>(row - firstRow_)];
}

std::uint64_t TrafficText::RowEnd(std::uint64_t row) const {
  row = std::clamp(row, firstRow_, EndRow() - 1);
  if (row + 1 == EndRow()) return end_;
  const std::uint64_t next = rows_[static_cast<std::size_t>(row + 1 - firstRow_)];
  return ByteAt(next - 1) == '\r' ? next - 1 : next;
}

std::uint64_t TrafficText::RowOf(std::uint64_t position) const {
  const auto after = std::upper_bound(rows_.begin(), rows_.end(), position);
  if (after == rows_.begin()) return firstRow_;
  return firstRow_ + static_cast<std::uint64_t>(after - rows_.begin() - 1);
}

char TrafficText::ByteAt(std::uint64_t position) const {
  const std::uint64_t offset = position - chunkBase_;
  return chunks_[static_cast<std::size_t>(offset / kChunkBytes)]
                [static_cast<std::size_t>(offset % kChunkBytes)];
}

std::string TrafficText::Text(std::uint64_t from, std::uint64_t to) const {
  std::string text;
  TextInto(from, to, text);
  return text;
}

void TrafficText::TextInto(std::uint64_t from, std::uint64_t to, std::string& text) const {
  from = std::max(from, begin_);
  to = std::min(to, end_);
  text.clear();
  if (from >= to) return;
  text.reserve(static_cast<std::size_t>(to - from));
  for (std::uint64_t at = from; at < to;) {
    const std::uint64_t offset = at - chunkBase_;
    const std::size_t within = static_cast<std::size_t>(offset % kChunkBytes);
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(to - at, kChunkBytes - within));
    text.append(chunks_[static_cast<std::size_t>(offset / kChunkBytes)].get() + within, piece);
    at += piece;
  }
}

std::size_t TrafficText::RunIndex(std::uint64_t position) const {
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), position,
                                      [](std::uint64_t at, const Run& run) { return at < run.start; });
  if (after == runs_.begin()) return 0;
  return static_cast<std::size_t>(after - runs_.begin() - 1);
}

Colour TrafficText::ColourAt(std::uint64_t position) const {
  if (runs_.empty()) return {};
  return runs_[RunIndex(position)].colour;
}

std::uint64_t TrafficText::NextRecordStart(std::uint64_t position) const {
  if (runs_.empty()) return end_;
  const std::size_t index = RunIndex(position);
  if (runs_[index].start > position) return runs_[index].start;
  return index + 1 < runs_.size() ? runs_[index + 1].start : end_;
}

}  // namespace lirosa
