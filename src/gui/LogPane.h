// A read-only line pane that stays fast with hundreds of thousands of lines: appended
// lines are gathered and added in one batch per short interval, never re-set whole.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <string>
#include <vector>

namespace kartovel::gui {

class LogPane : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit LogPane(QWidget* parent = nullptr);

  void AppendLine(const std::string& line);
  // Adds lines[first] up to the last line at once, for a model's pane that the user
  // must see grow while its command holds the user-interface thread.
  void AppendNow(const std::vector<std::string>& lines, std::size_t first);
  void ReplaceLines(const std::vector<std::string>& lines);
  // Long lines wrap at the pane's width instead of running off its right edge, for a
  // report whose line ends say how each line ended.
  void WrapLongLines();
  // Adds the gathered lines now (before the pane is read or saved by a test).
  void Flush();

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QStringList pending_;
  QTimer flushTimer_;
};

}  // namespace kartovel::gui
