// Small helpers shared by the windows: text conversion between the models' std::string
// and Qt, and the naming of controls so that tests and screen readers find them.
#pragma once

#include <QString>
#include <string>

class QWidget;
class QLineEdit;

namespace kartovel::gui {

inline QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}
inline std::string FromQt(const QString& text) {
  return text.toStdString();
}

// Gives an edit its control name and, as its accessible name, the text of its label.
void NameEdit(QLineEdit& edit, const char* controlName, const QString& labelText);

// Places a top-level window in the middle of the screen it is on.
void CentreOnScreen(QWidget& window);

}  // namespace kartovel::gui
