// Renders every window of Kartovel to PNG files: the main window before, during and after
// a run against the tile service its configuration names, each dialog, the message boxes,
// the map viewer and the combiner on the run's task.
// Usage: kartovel_screenshots OUTPUT-FOLDER [RUN-FOLDER]   (default: OUTPUT-FOLDER/run)
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "CombineDialog.h"
#include "MapViewerWindow.h"
#include "app/ChosenTileSource.h"
#include "app/UnitSelectArea.h"
#include "common/Clock.h"
#include "download/CurlGlobal.h"
#include "gui/ProgramWindows.h"
#include "gui/QtPlatform.h"
#include "gui/SelectAreaDialog.h"
#include "shape/ShapeFile.h"

namespace {

using kartovel::gui::ProgramWindows;

// Saves windows to PNG files. Any modal window that opens is saved under the name given
// for it (or "unexpected-N") and then closed, so no modal loop can hold the program.
class Shooter {
 public:
  explicit Shooter(QString folder) : folder_(std::move(folder)) {
    poll_.setInterval(50);
    QObject::connect(&poll_, &QTimer::timeout, [this] { SaveFrontModal(); });
    poll_.start();
  }

  void Save(QWidget& window, const QString& name) {
    const QString file = folder_ + "/" + name + ".png";
    if (window.grab().save(file)) {
      std::printf("%s\n", qPrintable(file));
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    }
  }

  // The name the next modal window is saved under, and what is done in it first.
  void ExpectModal(const QString& name, std::function<void()> prepare = {}) {
    expected_ = name;
    prepare_ = std::move(prepare);
  }
  // The file the next file chooser is answered with (it is not saved).
  void AnswerChooser(const QString& file) { answer_ = file; }

  static void Pump(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < milliseconds) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(5);
    }
  }

 private:
  void SaveFrontModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == handled_) {
      return;
    }
    handled_ = modal;
    if (auto* chooser = qobject_cast<QFileDialog*>(modal); chooser != nullptr && !answer_.isEmpty()) {
      const QString file = answer_;
      answer_.clear();
      QTimer::singleShot(100, chooser, [chooser, file] {
        // Typed into the name box, as a user would; the folder view loads later.
        if (auto* typed = chooser->findChild<QLineEdit*>("fileNameEdit")) {
          typed->setText(file);
        } else {
          chooser->selectFile(file);
        }
        static_cast<QDialog*>(chooser)->accept();  // public in QDialog, overridden here
      });
      return;
    }
    if (prepare_) {
      const std::function<void()> prepare = std::move(prepare_);
      prepare_ = {};
      prepare();
    }
    // Let the window lay itself out and paint once before it is saved.
    QTimer::singleShot(200, modal, [this, modal] {
      const QString name =
          expected_.isEmpty() ? QString("unexpected-%1").arg(++unexpected_) : expected_;
      expected_.clear();
      Save(*modal, name);
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* close = box->button(QMessageBox::Ok);
        (close != nullptr ? close : box->button(QMessageBox::No))->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      }
    });
  }

  QString folder_;
  QTimer poll_;
  QString expected_;
  QString answer_;
  std::function<void()> prepare_;
  QPointer<QWidget> handled_;
  int unexpected_ = 0;
};

double TimeScale() {
  const char* text = std::getenv("KARTOVEL_TIME_SCALE");
  return text != nullptr && *text != '\0' ? std::atof(text) : 1.0;
}

void Type(QWidget& window, const char* name, const QString& text) {
  if (auto* edit = window.findChild<QLineEdit*>(name)) {
    edit->setText(text);
  }
}

// The pictures show the main window a little wider than its first size, as users keep it.
constexpr int kShotWidth = 760;
constexpr int kShotHeight = 420;

void ShootMainWindow(ProgramWindows& windows, Shooter& shooter, const QString& runFolder) {
  QWidget& main = windows.Main();
  main.resize(kShotWidth, kShotHeight);
  Type(main, "Edit1", "13.35");
  Type(main, "Edit3", "13.45");
  Type(main, "Edit2", "52.55");
  Type(main, "Edit4", "52.48");
  Type(main, "Edit6", runFolder);
  Type(main, "EditTaskName", "berlin.qtsk");
  Shooter::Pump(1500);  // the estimate line samples a few tiles first
  shooter.Save(main, "main-window");
  // A range of zooms and its estimate; then one zoom again for the pictures that follow.
  const auto takeLastZoom = [&main](const QString& zoom) {
    if (auto* edit = main.findChild<QLineEdit*>("EditZoomTo")) {
      edit->setText(zoom);
      emit edit->editingFinished();
    }
  };
  takeLastZoom("15");
  Shooter::Pump(2500);
  shooter.Save(main, "main-window-zooms");
  takeLastZoom("13");
  Shooter::Pump(1500);
}

void ShootDialogs(ProgramWindows& windows, Shooter& shooter) {
  auto& converter = windows.Convert();
  converter.ShowNonModal();
  Type(converter, "Edit1", "40");
  Type(converter, "Edit2", "26");
  Type(converter, "Edit3", "46");
  converter.findChild<QPushButton*>("Button1")->click();
  Shooter::Pump(300);
  shooter.Save(converter, "converter");
  converter.hide();
  shooter.ExpectModal("about");
  windows.About().ShowModal();
  shooter.ExpectModal("options");
  windows.Options().ShowModal();
  shooter.ExpectModal("redownload");
  windows.Redownload().ShowModal();
  shooter.ExpectModal("export");
  windows.Export().ShowModal();
}

// The verify dialog with the summary of the stopped run's task.
void ShootVerify(ProgramWindows& windows, Shooter& shooter, const QString& runFolder) {
  const std::string task = (runFolder + "/berlin.qtsk").toStdString();
  shooter.ExpectModal("verify", [&windows, task] { windows.FrmVerify().Verify(task); });
  windows.Verify().ShowModal();
}

void ShootRun(ProgramWindows& windows, Shooter& shooter, kartovel::Platform& platform,
              const QString& runFolder) {
  QWidget& main = windows.Main();
  // Zoom 16 gives about a thousand tiles: the run is still going when it is saved.
  auto* up = main.findChild<QToolButton*>("Up");
  for (int step = 0; step < 3; ++step) {
    up->click();
  }
  auto* start = main.findChild<QPushButton*>("BitBtn1");
  start->click();
  Shooter::Pump(4000);
  shooter.Save(main, "main-window-running");
  shooter.ExpectModal("message-box");
  start->click();  // Stop; the monitor shows its box once the workers have ended
  QElapsedTimer waited;
  waited.start();
  while (windows.Form1().RunActive() && waited.elapsed() < 60000) {
    Shooter::Pump(50);
  }
  Shooter::Pump(500);
  shooter.Save(main, "main-window-stopped");
  // Open task on the stopped run: the status line says how far the task got.
  shooter.AnswerChooser(runFolder + "/berlin.qtsk");
  main.findChild<QPushButton*>("Button4")->click();
  Shooter::Pump(500);
  shooter.Save(main, "main-window-opened");
  // Another area under the same name: the question before the task is replaced (No).
  Type(main, "Edit4", "52.5");
  shooter.ExpectModal("question");
  start->click();
  Shooter::Pump(500);
  shooter.ExpectModal("error-box");
  platform.ShowError("Cannot create file " + QDir::tempPath().toStdString() + "/x.png.");
}

// The refresh of the stopped run's task: every tile asked about again, each unchanged.
void ShootRefresh(ProgramWindows& windows, Shooter& shooter, const QString& runFolder) {
  auto& dialog = windows.Refresh();
  dialog.show();
  Type(dialog, "EditTaskFile", runFolder + "/berlin.qtsk");
  dialog.findChild<QCheckBox*>("CheckOlder")->setChecked(true);
  dialog.findChild<QDoubleSpinBox*>("SpinDays")->setValue(0);
  dialog.findChild<QPushButton*>("Button1")->click();
  QElapsedTimer waited;
  waited.start();
  while (windows.FrmRefresh().Running() && waited.elapsed() < 60000) {
    Shooter::Pump(50);
  }
  Shooter::Pump(300);
  shooter.Save(dialog, "refresh");
  dialog.hide();
}

// A big area: Start shows the estimate and asks first (No: nothing is written).
void ShootBigJob(ProgramWindows& windows, Shooter& shooter) {
  QWidget& main = windows.Main();
  Type(main, "Edit1", "12");
  Type(main, "Edit3", "15");
  Type(main, "Edit2", "53.5");
  Type(main, "Edit4", "51.5");
  Type(main, "EditTaskName", "brandenburg.qtsk");
  shooter.ExpectModal("big-job-question");
  main.findChild<QPushButton*>("BitBtn1")->click();
  Shooter::Pump(500);
}

// Two requests added with "Add to queue" and the Queue window listing them; the first is
// run to its end.
void ShootQueue(ProgramWindows& windows, Shooter& shooter, const QString& runFolder) {
  QWidget& main = windows.Main();
  Type(main, "Edit1", "13.35");
  Type(main, "Edit3", "13.45");
  Type(main, "Edit2", "52.55");
  Type(main, "Edit4", "52.48");
  Type(main, "Edit6", runFolder);
  Type(main, "EditTaskName", "berlin-centre");
  main.findChild<QPushButton*>("ButtonAddToQueue")->click();
  Type(main, "Edit1", "11.5");
  Type(main, "Edit3", "11.65");
  Type(main, "Edit2", "48.2");
  Type(main, "Edit4", "48.1");
  Type(main, "EditTaskName", "munich-centre");
  main.findChild<QPushButton*>("ButtonAddToQueue")->click();
  auto& queue = windows.Queue();
  queue.findChild<QPushButton*>("ButtonRun")->click();
  QElapsedTimer waited;
  waited.start();
  while (windows.FrmQueue().Jobs().front().State != kartovel::JobState::Done &&
         waited.elapsed() < 60000) {
    Shooter::Pump(50);
  }
  Shooter::Pump(300);
  shooter.Save(queue, "queue");
  queue.findChild<QPushButton*>("ButtonRun")->click();  // Stop: the second job waits again
  while (windows.FrmQueue().Running() && waited.elapsed() < 60000) {
    Shooter::Pump(50);
  }
  queue.hide();
}

// The map viewer on the stopped run's task: tiles that arrived and those still missing.
void ShootMapViewer(Shooter& shooter, const QString& runFolder) {
  kartovel::tools::MapViewerWindow viewer;
  viewer.resize(800, 600);
  viewer.show();
  if (viewer.OpenPath(runFolder + "/berlin.qtsk")) {
    Shooter::Pump(1500);
    shooter.Save(viewer, "mapviewer");
  }
}

// The combiner on the stopped run's task, once it has written the mosaic.
void ShootCombiner(Shooter& shooter, const QString& runFolder) {
  kartovel::tools::CombineDialog combiner((runFolder + "/berlin.qtsk").toStdString(),
                                          (runFolder + "/berlin.png").toStdString());
  combiner.show();
  combiner.Start();
  QElapsedTimer waited;
  waited.start();
  while (combiner.Running() && waited.elapsed() < 60000) {
    Shooter::Pump(50);
  }
  Shooter::Pump(300);
  shooter.Save(combiner, "combine");
}

// The area window: the whole world before anything is drawn, then over the stopped run's
// task (its downloaded tiles tinted) with a rectangle drawn across it by the mouse.
void ShootSelectArea(ProgramWindows& windows, Shooter& shooter, kartovel::Platform& platform,
                     const QString& cacheFolder) {
  using kartovel::gui::SelectAreaDialog;
  auto cache = std::make_shared<kartovel::TileDiskCache>(cacheFolder.toStdString());
  {
    kartovel::TForm1& form = windows.Form1();
    const std::string boxes[] = {form.Edit1, form.Edit3, form.Edit2, form.Edit4};
    form.Edit1.clear();
    kartovel::TfrmSelectArea model(form, kartovel::ChosenTileSource(form), platform.ProgramFolder());
    SelectAreaDialog world(model, platform, cache, kartovel::CreateCurlHttpClient, &windows.Main());
    world.Open();
    Shooter::Pump(2500);
    shooter.Save(world, "select-area-world");
    form.Edit1 = boxes[0];
  }
  kartovel::TfrmSelectArea model(windows.Form1(), kartovel::ChosenTileSource(windows.Form1()),
                                 platform.ProgramFolder());
  SelectAreaDialog dialog(model, platform, cache, kartovel::CreateCurlHttpClient, &windows.Main());
  dialog.Open();
  Shooter::Pump(2500);
  QWidget& canvas = dialog.Canvas();
  const QPointF from(canvas.width() * 0.3, canvas.height() * 0.25);
  const QPointF to(canvas.width() * 0.62, canvas.height() * 0.7);
  const auto send = [&canvas](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, canvas.mapToGlobal(at), Qt::LeftButton, held, Qt::ShiftModifier);
    QApplication::sendEvent(&canvas, &event);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::NoButton);
  Shooter::Pump(1000);
  shooter.Save(dialog, "select-area");
  // The polygon tool: four corners clicked and closed with Enter.
  dialog.findChild<QPushButton*>("ButtonPolygon")->click();
  const auto click = [&send](QPointF at) {
    send(QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at, Qt::NoButton);
  };
  for (const QPointF& corner : {QPointF(canvas.width() * 0.35, canvas.height() * 0.3),
                                QPointF(canvas.width() * 0.6, canvas.height() * 0.35),
                                QPointF(canvas.width() * 0.55, canvas.height() * 0.65),
                                QPointF(canvas.width() * 0.4, canvas.height() * 0.55)}) {
    click(corner);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(&canvas, &enter);
  Shooter::Pump(1000);
  shooter.Save(dialog, "select-area-polygon");
}

}  // namespace

// The main window with a shape file as its area: a corridor along a river's GPX track.
void ShootShapedArea(ProgramWindows& windows, Shooter& shooter, const QString& runFolder) {
  const std::string file = runFolder.toStdString() + "/spree.gpx";
  if (std::FILE* out = std::fopen(file.c_str(), "w")) {
    std::fputs("<gpx><trk><name>Spree paddle</name><trkseg><trkpt lat=\"52.52\" lon=\"13.36\"/>"
               "<trkpt lat=\"52.515\" lon=\"13.40\"/><trkpt lat=\"52.50\" lon=\"13.44\"/>"
               "</trkseg></trk></gpx>\n",
               out);
    std::fclose(out);
  }
  windows.Form1().UseShape(kartovel::ReadShapeFile(file, 500.0).Value, file);
  Shooter::Pump(300);
  shooter.Save(windows.Main(), "main-window-shape");
}

// The shaped area downloaded, then the map viewer on its task: only the corridor's tiles.
void ShootShapedRun(ProgramWindows& windows, Shooter& shooter, const QString& runFolder) {
  QWidget& main = windows.Main();
  Type(main, "EditTaskName", "spree.qtsk");
  shooter.ExpectModal("message-box");  // the run's end
  main.findChild<QPushButton*>("BitBtn1")->click();
  QElapsedTimer waited;
  waited.start();
  while (windows.Form1().RunActive() && waited.elapsed() < 60000) {
    Shooter::Pump(50);
  }
  Shooter::Pump(500);
  kartovel::tools::MapViewerWindow viewer;
  viewer.resize(800, 600);
  viewer.show();
  if (viewer.OpenPath(runFolder + "/spree.qtsk")) {
    Shooter::Pump(1500);
    shooter.Save(viewer, "mapviewer-shape");
  }
}

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Kartovel");
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [RUN-FOLDER]\n", argv[0]);
    return 2;
  }
  const QString folder = QDir(argv[1]).absolutePath();
  QDir().mkpath(folder);
  const QString runFolder = argc == 3 ? QDir(argv[2]).absolutePath() : folder + "/run";
  kartovel::CurlGlobal curl;
  kartovel::gui::QtPlatform platform;
  kartovel::ScaledClock clock(TimeScale());
  Shooter shooter(folder);
  // The pictures' queue, never the user's own.
  QTemporaryDir queueFolder;
  ProgramWindows windows(platform, clock, kartovel::CreateCurlHttpClient,
                         (queueFolder.path() + "/queue.ini").toStdString());
  if (!windows.Main().ShowAtStart()) {
    return 1;
  }
  ShootMainWindow(windows, shooter, runFolder);
  ShootDialogs(windows, shooter);
  ShootRun(windows, shooter, platform, runFolder);
  ShootVerify(windows, shooter, runFolder);
  ShootRefresh(windows, shooter, runFolder);
  ShootBigJob(windows, shooter);
  ShootMapViewer(shooter, runFolder);
  ShootCombiner(shooter, runFolder);
  QTemporaryDir cache;
  ShootSelectArea(windows, shooter, platform, cache.path() + "/");
  ShootShapedArea(windows, shooter, runFolder);
  ShootShapedRun(windows, shooter, runFolder);
  ShootQueue(windows, shooter, runFolder);
  return 0;
}
