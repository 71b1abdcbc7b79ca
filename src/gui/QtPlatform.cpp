// Qt dialogs, desktop services and the queued hand-off behind the Platform interface.
#include "gui/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
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
    patterns = patterns.trimmed();
    QString name = parts[i];
    // Qt shows the patterns after the name itself, so a name that carries them already
    // gives them up.
    const QString shownPatterns = "(" + patterns + ")";
    if (name.endsWith(shownPatterns)) {
      name.chop(shownPatterns.size());
    }
    entries << name.trimmed() + " " + shownPatterns;
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

bool QtPlatform::AskYesNo(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kMessageCaption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, DialogOwner());
  box.setObjectName("QuestionBox");
  // Enter alone must not replace anything.
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtPlatform::BrowseForFolder(const std::string& title,
                                                       const std::string& initialFolder) {
  // Without a folder to start in, the home folder rather than the working folder.
  const QString start =
      initialFolder.empty() ? QDir::homePath() : QString::fromStdString(initialFolder);
  const QString folder =
      QFileDialog::getExistingDirectory(DialogOwner(), QString::fromStdString(title), start);
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

std::vector<std::string> QtPlatform::OpenFilesDialog(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& initialFolder) {
  QFileDialog dialog(DialogOwner(), QString::fromStdString(title),
                     QString::fromStdString(initialFolder), QtFileFilter(filter));
  dialog.setObjectName("OpenFilesDialog");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  std::vector<std::string> files;
  if (dialog.exec() == QDialog::Accepted) {
    for (const QString& file : dialog.selectedFiles()) {
      files.push_back(file.toStdString());
    }
  }
  return files;
}

std::optional<std::string> QtPlatform::SaveFileDialog(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& proposedFile) {
  QFileDialog dialog(DialogOwner(), QString::fromStdString(title), QString(), QtFileFilter(filter));
  dialog.setObjectName("SaveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.selectFile(QString::fromStdString(proposedFile));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles().constFirst().toStdString();
}

bool QtPlatform::ShellOpen(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists()) {
    return false;
  }
  // xdg-open shows an executable instead of starting it, so programs are started here.
  if (info.isFile() && info.isExecutable()) {
    return QProcess::startDetached(info.absoluteFilePath(), {});
  }
  // False when the desktop has no program to open the file with.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool QtPlatform::StartProgram(const std::string& program,
                              const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& argument : arguments) {
    list << QString::fromStdString(argument);
  }
  return QProcess::startDetached(QString::fromStdString(program), list);
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
