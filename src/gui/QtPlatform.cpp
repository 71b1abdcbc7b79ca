// Qt dialogs, desktop services and the queued hand-off behind the Platform interface.
#include "gui/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <utility>

#include "common/Paths.h"

namespace kartovel::gui {

namespace {

constexpr auto kMessageCaption = "Kartovel";

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, QString::fromLatin1(kMessageCaption), QString::fromStdString(text),
                  QMessageBox::Ok, DialogOwner());
  box.setObjectName(icon == QMessageBox::Critical ? "ErrorBox" : "MessageBox");
  box.exec();
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    entries << parts[i] + " (" + patterns.trimmed() + ")";
  }
  return entries.join(";;");
}

QWidget* DialogOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    return modal;
  }
  return QApplication::activeWindow();
}

void QtPlatform::ShowMessage(const std::string& text) {
  ShowBox(QMessageBox::NoIcon, text);
}

void QtPlatform::ShowError(const std::string& text) {
  ShowBox(QMessageBox::Critical, text);
}

std::optional<std::string> QtPlatform::BrowseForFolder(const std::string& title) {
  const QString folder =
      QFileDialog::getExistingDirectory(DialogOwner(), QString::fromStdString(title), QString());
  if (folder.isEmpty()) {
    return std::nullopt;
  }
  return folder.toStdString();
}

std::optional<std::string> QtPlatform::OpenFileDialog(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& initialFolder) {
  QFileDialog dialog(DialogOwner(), QString::fromStdString(title),
                     QString::fromStdString(initialFolder), QtFileFilter(filter));
  dialog.setObjectName("OpenDialog1");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name that does not exist is handed on: the caller reports it.
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles().constFirst().toStdString();
}

void QtPlatform::ShellOpen(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  // xdg-open shows an executable instead of starting it, so programs are started here.
  if (info.isFile() && info.isExecutable()) {
    QProcess::startDetached(info.absoluteFilePath(), {});
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

void QtPlatform::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

QtPlatform::QtPlatform(std::string programFolder)
    : programFolder_(IncludeTrailingSeparator(std::move(programFolder))) {}

std::string QtPlatform::ProgramFolder() {
  if (!programFolder_.empty()) {
    return programFolder_;
  }
  return IncludeTrailingSeparator(QCoreApplication::applicationDirPath().toStdString());
}

void QtPlatform::RunBlocking(const std::function<void()>& operation) {
  QCoreApplication* gui = QCoreApplication::instance();
  if (gui == nullptr || handOffsStopped_.load()) {
    return;
  }
  // A blocking queued call from the GUI thread to itself would wait for ever.
  if (QThread::currentThread() == gui->thread()) {
    operation();
    return;
  }
  QMetaObject::invokeMethod(
      gui, [&operation] { operation(); }, Qt::BlockingQueuedConnection);
}

}  // namespace kartovel::gui
