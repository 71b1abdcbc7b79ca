// Batched appending for the log panes.
#include "gui/LogPane.h"

#include <QScrollBar>

namespace kartovel::gui {

namespace {
// Short enough to look immediate, long enough to gather the lines of many hand-offs.
constexpr int kFlushIntervalMs = 40;
}  // namespace

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setUndoRedoEnabled(false);
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushIntervalMs);
  connect(&flushTimer_, &QTimer::timeout, this, &LogPane::Flush);
}

void LogPane::AppendLine(const std::string& line) {
  pending_ << QString::fromStdString(line);
  if (!flushTimer_.isActive()) {
    flushTimer_.start();
  }
}

void LogPane::AppendNow(const std::vector<std::string>& lines, std::size_t first) {
  for (std::size_t i = first; i < lines.size(); ++i) {
    AppendLine(lines[i]);
  }
  Flush();
}

void LogPane::ReplaceLines(const std::vector<std::string>& lines) {
  pending_.clear();
  flushTimer_.stop();
  QStringList all;
  all.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) {
    all << QString::fromStdString(line);
  }
  setPlainText(all.join('\n'));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogPane::WrapLongLines() {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void LogPane::Flush() {
  flushTimer_.stop();
  if (pending_.isEmpty()) {
    return;
  }
  // One append of the joined lines: one layout pass instead of one per line.
  appendPlainText(pending_.join('\n'));
  pending_.clear();
}

void LogPane::mouseDoubleClickEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

}  // namespace kartovel::gui
