// Naming and placing helpers for the windows.
#include "gui/WidgetText.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace kartovel::gui {

void NameEdit(QLineEdit& edit, const char* controlName, const QString& labelText) {
  edit.setObjectName(controlName);
  edit.setAccessibleName(labelText);
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return;
  }
  window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                         screen->availableGeometry()));
}

}  // namespace kartovel::gui
