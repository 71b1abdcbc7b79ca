// The two arrow buttons of the zoom spinner.
#include "gui/UpDown.h"

namespace kartovel::gui {

namespace {

void SetUpArrowButton(QToolButton& button, Qt::ArrowType arrow, const QString& name) {
  button.setArrowType(arrow);
  button.setObjectName(name);
  button.setAccessibleName(name);
  button.setAutoRepeat(true);
  button.setFocusPolicy(Qt::NoFocus);
  button.setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  button.setFixedWidth(18);
}

}  // namespace

UpDown::UpDown(int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      layout_(this),
      upButton_(this),
      downButton_(this),
      minimum_(minimum),
      maximum_(maximum),
      position_(minimum) {
  SetUpArrowButton(upButton_, Qt::UpArrow, "Up");
  SetUpArrowButton(downButton_, Qt::DownArrow, "Down");
  layout_.setContentsMargins(0, 0, 0, 0);
  layout_.setSpacing(0);
  layout_.addWidget(&upButton_);
  layout_.addWidget(&downButton_);
  connect(&upButton_, &QToolButton::clicked, this, &UpDown::upClicked);
  connect(&downButton_, &QToolButton::clicked, this, &UpDown::downClicked);
}

void UpDown::ShowPosition(int position) {
  position_ = position;
  upButton_.setEnabled(position_ < maximum_);
  downButton_.setEnabled(position_ > minimum_);
}

}  // namespace kartovel::gui
