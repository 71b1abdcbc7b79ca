// Creation of the program's windows and the menu commands that show the dialogs.
#include "gui/ProgramWindows.h"

namespace kartovel::gui {

ProgramWindows::ProgramWindows(Platform& platform, Clock& clock, HttpClientFactory makeClient)
    : form1_(platform, clock, makeClient),
      mainWindow_(form1_, platform),
      frmAbout_([this] { return form1_.Caption; }),
      aboutDialog_(frmAbout_, platform, &mainWindow_),
      frmConvert_(platform),
      convertDialog_(frmConvert_, platform, &mainWindow_),
      frmOptions_(platform),
      optionsDialog_(frmOptions_, platform, &mainWindow_),
      frmFlt_(platform, makeClient),
      redownloadDialog_(frmFlt_, platform, &mainWindow_) {
  QObject::connect(&mainWindow_, &MainWindow::aboutRequested, &aboutDialog_,
                   &AboutDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::convertRequested, &convertDialog_,
                   &ConvertDialog::ShowNonModal);
  QObject::connect(&mainWindow_, &MainWindow::optionsRequested, &optionsDialog_,
                   &OptionsDialog::ShowModal);
  QObject::connect(&mainWindow_, &MainWindow::redownloadRequested, &redownloadDialog_,
                   &RedownloadDialog::ShowModal);
}

}  // namespace kartovel::gui
