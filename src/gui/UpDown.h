// An up-down spinner tied to an edit: two arrow buttons that ask for one step up or
// down. The owner decides the position (and its limits) and shows it back, which also
// greys out the arrow that has reached its limit.
#pragma once

#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

namespace kartovel::gui {

class UpDown : public QWidget {
  Q_OBJECT

 public:
  UpDown(int minimum, int maximum, QWidget* parent = nullptr);

  int Position() const { return position_; }
  void ShowPosition(int position);

 signals:
  void upClicked();
  void downClicked();

 private:
  QVBoxLayout layout_;
  QToolButton upButton_;
  QToolButton downButton_;
  int minimum_;
  int maximum_;
  int position_;
};

}  // namespace kartovel::gui
