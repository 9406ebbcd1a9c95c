#include "gui/QtTrafficView.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace lirosa {

namespace {

QColor ToQColor(Colour colour) { return {colour.red, colour.green, colour.blue}; }

}  // namespace

QtTrafficView::QtTrafficView(QPlainTextEdit& display, std::size_t capacity)
    : display_(display), capacity_(std::max<std::size_t>(capacity, 4)) {
  display_.document()->setUndoRedoEnabled(false);
}

std::size_t QtTrafficView::TextLength() const {
  // The document counts the paragraph separator after its last block.
  return static_cast<std::size_t>(display_.document()->characterCount() - 1);
}

int QtTrafficView::LineCount() const {
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

void QtTrafficView::Clear() { display_.clear(); }

void QtTrafficView::Append(const std::string& text, Colour colour) {
  if (text.empty()) return;
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
  if (TextLength() > capacity_) DropOldest();
  end.movePosition(QTextCursor::End);
  display_.setTextCursor(end);
}

void QtTrafficView::SetDefaultColour(Colour colour) {
  QPalette palette = display_.palette();
  palette.setColor(QPalette::Active, QPalette::Text, ToQColor(colour));
  palette.setColor(QPalette::Inactive, QPalette::Text, ToQColor(colour));
  display_.setPalette(palette);
}

void QtTrafficView::DropOldest() {
  // Dropping a quarter at a time keeps the cost per appended character
  // constant however long the display runs.
  const std::size_t keep = capacity_ - capacity_ / 4;
  QTextCursor start(display_.document());
  start.movePosition(QTextCursor::Start);
  start.setPosition(static_cast<int>(TextLength() - keep), QTextCursor::KeepAnchor);
  start.removeSelectedText();
}

}  // namespace lirosa
