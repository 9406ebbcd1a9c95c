#include "PlainTextTrafficView.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <utility>

namespace lirosa {

namespace {

QColor ToQColor(Colour colour) { return {colour.red, colour.green, colour.blue}; }

QTextCursor EndCursor(QPlainTextEdit& display) {
  QTextCursor end(display.document());
  end.movePosition(QTextCursor::End);
  return end;
}

}  // namespace

PlainTextTrafficView::PlainTextTrafficView(QPlainTextEdit& display, std::size_t capacity, Updates updates)
    : display_(display), capacity_(std::max<std::size_t>(capacity, 4)), updates_(updates) {
  display_.document()->setUndoRedoEnabled(false);
}

std::size_t PlainTextTrafficView::TextLength() const {
  Settle();
  return DocumentLength();
}

int PlainTextTrafficView::LineCount() const {
  Settle();
  QTextDocument* document = display_.document();
  auto* layout = qobject_cast<QPlainTextDocumentLayout*>(document->documentLayout());
  int lines = 0;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    // Blocks are laid out when first needed; those already laid out (all
    // but the newest, usually) cost nothing here.
    if (layout) layout->ensureBlockLayout(block);
    lines += std::max(1, block.layout()->lineCount());
  }
  return std::max(1, lines);
}

void PlainTextTrafficView::Clear() {
  if (updates_ == Updates::Immediate) {
    display_.clear();
    return;
  }
  // Whatever was held would be cleared away unseen: it is never laid out.
  held_.clear();
  clearHeld_ = true;
  Schedule();
}

void PlainTextTrafficView::Append(const std::string& text, Colour colour) {
  if (text.empty()) return;
  if (updates_ == Updates::Immediate) {
    Insert(text, colour);
    display_.setTextCursor(EndCursor(display_));
    return;
  }
  held_.push_back({text, colour});
  Schedule();
}

void PlainTextTrafficView::SetDefaultColour(Colour colour) {
  QPalette palette = display_.palette();
  palette.setColor(QPalette::Active, QPalette::Text, ToQColor(colour));
  palette.setColor(QPalette::Inactive, QPalette::Text, ToQColor(colour));
  display_.setPalette(palette);
}

void PlainTextTrafficView::Schedule() {
  if (settleQueued_) return;
  settleQueued_ = true;
  QMetaObject::invokeMethod(
      &settleContext_,
      [this] {
        settleQueued_ = false;
        Settle();
      },
      Qt::QueuedConnection);
}

void PlainTextTrafficView::Settle() const {
  if (!clearHeld_ && held_.empty()) return;
  if (std::exchange(clearHeld_, false)) display_.clear();
  // One edit for all: the document is laid out once, at its end.
  QTextCursor edit(display_.document());
  edit.beginEditBlock();
  for (const Piece& piece : held_) Insert(piece.text, piece.colour);
  edit.endEditBlock();
  held_.clear();
  display_.setTextCursor(EndCursor(display_));
}

void PlainTextTrafficView::Insert(const std::string& text, Colour colour) const {
  QTextDocument* document = display_.document();
  QTextCursor end(document);
  end.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(ToQColor(colour));
  // A CR in the text becomes a new block: the display's line break.
  QString piece = QString::fromStdString(text);
  if (document->lastBlock().length() > kParagraphLimit && !piece.startsWith(QLatin1Char('\r'))) {
    piece.prepend(QChar::ParagraphSeparator);
  }
  end.insertText(piece, format);
  if (DocumentLength() > capacity_) DropOldest();
}

std::size_t PlainTextTrafficView::DocumentLength() const {
  // The document counts the paragraph separator after its last block.
  return static_cast<std::size_t>(display_.document()->characterCount() - 1);
}

void PlainTextTrafficView::DropOldest() const {
  // Dropping a quarter at a time keeps the cost per appended character
  // constant however long the display runs.
  const std::size_t keep = capacity_ - capacity_ / 4;
  QTextCursor start(display_.document());
  start.movePosition(QTextCursor::Start);
  start.setPosition(static_cast<int>(DocumentLength() - keep), QTextCursor::KeepAnchor);
  start.removeSelectedText();
}

}  // namespace lirosa
