// The main window driven through its real widgets: layout and names, the menu tree, the
// zoom spinner, Start to the end of a run against the loopback service, Stop, Open task.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolButton>
#include <filesystem>

#include "common/IniFile.h"
#include "common/LineFile.h"
#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

const QString kTaskStopedBox = QString("Task stoped!") + QString(20, ' ');

QString PaneText(QPlainTextEdit& pane) {
  if (auto* log = qobject_cast<gui::LogPane*>(&pane)) {
    log->Flush();
  }
  return pane.toPlainText();
}

QString Joined(const Lines& lines) {
  QStringList all;
  for (const std::string& line : lines) {
    all << QString::fromStdString(line);
  }
  return all.join('\n');
}

class MainWindowTest : public ::testing::Test {
 protected:
  void TypeRequest(const QString& left, const QString& right, const QString& top,
                   const QString& bottom, const QString& taskName) {
    TypeInto(rig.Find<QLineEdit>("Edit1"), left);
    TypeInto(rig.Find<QLineEdit>("Edit3"), right);
    TypeInto(rig.Find<QLineEdit>("Edit2"), top);
    TypeInto(rig.Find<QLineEdit>("Edit4"), bottom);
    TypeInto(rig.Find<QLineEdit>("EditTaskName"), taskName);
  }

  bool WaitForBox(const QString& text, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    return WaitUntil([&] { return rig.Watcher.Saw(text); }, limit);
  }

  GuiRig rig;
};

TEST_F(MainWindowTest, OpensWithTheDefaultsOfEveryControl) {
  ASSERT_TRUE(rig.Started());
  EXPECT_EQ(rig.Main().windowTitle(), "Kartovel 6.436");
  EXPECT_EQ(rig.Main().size(), QSize(596, 376));
  EXPECT_EQ(rig.Find<QWidget>("LeftColumn").width(), 329);
  EXPECT_EQ(rig.Find<QLineEdit>("EditTaskName").text(), "newtask.qtsk");
  EXPECT_EQ(rig.Find<QLineEdit>("Edit5").text(), "13");
  EXPECT_FALSE(rig.Find<QLineEdit>("Edit5").isReadOnly());
  EXPECT_EQ(rig.Find<QLineEdit>("Edit6").text().toStdString(), rig.Box.Path("maps"));
  EXPECT_EQ(rig.Find<QPushButton>("Button1").toolTip(), "Click to select path");
  EXPECT_TRUE(rig.Find<QGroupBox>("GroupBox4").title().isEmpty());

  auto& start = rig.Find<QPushButton>("BitBtn1");
  EXPECT_EQ(start.text(), "Start");
  EXPECT_TRUE(start.font().bold());
  EXPECT_TRUE(start.isDefault());

  auto& log = rig.Find<QPlainTextEdit>("Memo1");
  EXPECT_EQ(PaneText(log), "[log window]");
  EXPECT_TRUE(log.isReadOnly());
  EXPECT_EQ(log.toolTip(), "Double click to view log in notepad");
  EXPECT_EQ(log.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(log.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(log.palette().color(QPalette::Text), QColor(0, 128, 0));
  EXPECT_EQ(log.palette().color(QPalette::Base), log.palette().color(QPalette::ToolTipBase));

  auto& failed = rig.Find<QPlainTextEdit>("Memo2");
  EXPECT_FALSE(failed.isVisible());
  EXPECT_EQ(PaneText(failed), "[Failed tile inforamtion window]");

  const auto* status = rig.Main().statusBar()->findChild<QLabel*>();
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text(), "Download normal map images from Orvex Maps!");
}

TEST_F(MainWindowTest, EveryEditIsNamedAfterItsLabel) {
  const std::pair<const char*, const char*> edits[] = {
      {"EditTaskName", "Task name:"}, {"Edit1", "Left Longitude:"},  {"Edit3", "Right Longitude:"},
      {"Edit2", "Top Latitude:"},     {"Edit4", "Bottom Latitude:"}, {"Edit5", "Zoom level:"},
      {"Edit6", "Path to save:"}};
  for (const auto& [name, label] : edits) {
    EXPECT_EQ(rig.Find<QLineEdit>(name).accessibleName(), label) << name;
  }
}

TEST_F(MainWindowTest, TabGoesThroughTheFieldsInReadingOrder) {
  QStringList order;
  QWidget* widget = &rig.Find<QLineEdit>("EditTaskName");
  do {
    if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled()) {
      order << widget->objectName();
    }
    widget = widget->nextInFocusChain();
  } while (widget != &rig.Find<QLineEdit>("EditTaskName") && order.size() < 50);
  EXPECT_EQ(order, (QStringList{"EditTaskName", "Button4", "Edit1", "Edit3", "Edit2", "Edit4",
                                "Edit5", "EditZoomTo", "ButtonSelectArea", "Edit6", "Button1",
                                "ComboBoxMapsType", "ButtonOpenShape", "EditCorridor", "BitBtn1",
                                "ButtonAddToQueue", "Memo1"}));
}

TEST_F(MainWindowTest, MenuTreeHasTheCaptionsInOrder) {
  const std::vector<std::pair<QString, QStringList>> expected = {
      {"&File", {"E&xit"}},
      {"&Options", {"Options..."}},
      {"&Misc", {"Convert \"Degrees,Minutes,Seconds\"  to \"Degrees\"...", "-", "View log file"}},
      {"&Tools",
       {"Map Viewer", "-", "Map Combiner", "-", "Re-Download failed images", "Refresh tiles ...", "-",
        "Export to MBTiles ...", "-", "Verify ...", "-", "Queue ..."}},
      {"&Help", {"User manual", "-", "About..."}}};
  const QList<QAction*> menus = rig.Main().menuBar()->actions();
  ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(menus[i]->text(), expected[i].first);
    QStringList items;
    for (const QAction* item : menus[i]->menu()->actions()) {
      items << (item->isSeparator() ? "-" : item->text());
    }
    EXPECT_EQ(items, expected[i].second) << expected[i].first.toStdString();
  }
}

TEST_F(MainWindowTest, ZoomSpinnerStopsAtOneAndNineteen) {
  auto& zoom = rig.Find<QLineEdit>("Edit5");
  auto& up = rig.Find<QToolButton>("Up");
  auto& down = rig.Find<QToolButton>("Down");
  for (int i = 0; i < 10; ++i) {
    up.click();
  }
  EXPECT_EQ(zoom.text(), "19");
  EXPECT_EQ(rig.Form().UpDown1Position, 19);
  EXPECT_FALSE(up.isEnabled());
  PressKey(zoom, Qt::Key_Up);  // the keyboard is held at the limit by the model
  EXPECT_EQ(zoom.text(), "19");

  for (int i = 0; i < 25; ++i) {
    down.click();
  }
  EXPECT_EQ(zoom.text(), "1");
  EXPECT_FALSE(down.isEnabled());
  PressKey(zoom, Qt::Key_Down);
  EXPECT_EQ(zoom.text(), "1");
  EXPECT_EQ(rig.Form().Edit5, "1");

  PressKey(zoom, Qt::Key_Up);
  EXPECT_EQ(zoom.text(), "2");
  TypeInto(zoom, "7");  // a typed zoom is taken on leaving the box
  LeaveField(zoom);
  EXPECT_EQ(zoom.text(), "7");
  EXPECT_EQ(rig.Form().UpDown1Position, 7);
}

TEST_F(MainWindowTest, EnterInAFieldPressesStartAndShowsTheCheckMessage) {
  TypeInto(rig.Find<QLineEdit>("Edit1"), "12a");
  PressKey(rig.Find<QLineEdit>("Edit1"), Qt::Key_Return);
  ASSERT_TRUE(WaitForBox("Longitude or latitude input error!", std::chrono::seconds(10)));
  const SeenBox& box = rig.Watcher.Boxes().back();
  EXPECT_EQ(box.Title, "Kartovel");
  EXPECT_EQ(box.Icon, QMessageBox::NoIcon);
  EXPECT_EQ(rig.Find<QPushButton>("BitBtn1").text(), "Start");
}

TEST_F(MainWindowTest, EnterOnAFocusedButtonPressesThatButton) {
  const std::pair<const char*, QString> cases[] = {
      {"Button4", "Open project file:"},
      {"Button1", "Select path to save"},
      {"BitBtn1", "Longitude or latitude input error!"}};
  QString dialogTitle;
  for (const auto& [button, seen] : cases) {
    dialogTitle.clear();
    rig.Watcher.Queue([&dialogTitle](QWidget& modal) {
      dialogTitle = modal.windowTitle();
      QTimer::singleShot(0, &modal, [&modal] { static_cast<QDialog&>(modal).reject(); });
      return true;
    });
    auto& pressed = rig.Find<QPushButton>(button);
    pressed.setFocus();
    PressKey(pressed, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return dialogTitle == seen || rig.Watcher.Saw(seen); },
                          std::chrono::seconds(10)))
        << button;
    EXPECT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
  }
}

TEST_F(MainWindowTest, DoubleClickOnTheLogBeforeAnyRunSaysNoTaskIsRunning) {
  auto& log = rig.Find<QPlainTextEdit>("Memo1");
  const QPointF inside(10, 10);
  QMouseEvent doubleClick(QEvent::MouseButtonDblClick, inside, log.viewport()->mapToGlobal(inside),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(log.viewport(), &doubleClick);
  ASSERT_TRUE(
      WaitForBox(QString("No task running now.") + QString(18, ' '), std::chrono::seconds(10)));
}

TEST_F(MainWindowTest, StartRunsToTheEndAndThePaneAndFilesHoldTheRun) {
  // About 0.02 degrees at zoom 13: a few tiles, so a few workers.
  TypeRequest("10", "10.05", "50.05", "50", "survey.qtsk");
  rig.Find<QPushButton>("BitBtn1").click();
  EXPECT_EQ(rig.Find<QPushButton>("BitBtn1").text(), "Stop");
  ASSERT_NE(rig.Form().CurrentTask, nullptr);
  const int total = static_cast<int>(rig.Form().CurrentTask->TotalCount);
  EXPECT_EQ(rig.Find<QLabel>("LabelTotalxy").text(), QString("Total images: %1").arg(total));
  // The progress rows fit under the map source row without the window growing.
  EXPECT_EQ(rig.Main().size(), QSize(596, 376));

  ASSERT_TRUE(WaitForBox(kTaskStopedBox));
  EXPECT_EQ(rig.Find<QPushButton>("BitBtn1").text(), "Start");
  EXPECT_EQ(rig.Watcher.Boxes().back().Title, "Kartovel");

  const DownloadTask& task = *rig.Form().CurrentTask;
  const QString shown = PaneText(rig.Find<QPlainTextEdit>("Memo1"));
  EXPECT_EQ(shown, Joined(rig.Form().Memo1));
  EXPECT_TRUE(shown.contains("Task Stoped!"));
  EXPECT_EQ(ReadLines(task.LogFileName), rig.Form().Memo1);
  EXPECT_EQ(ReadLines(task.FailedFileName), Lines{});
  EXPECT_TRUE(std::filesystem::exists(rig.SaveFolder + "survey.qtsk"));

  int tileFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(task.TileFolder)) {
    tileFiles += entry.path().extension() == ".png" ? 1 : 0;
  }
  EXPECT_EQ(tileFiles, total);
  EXPECT_EQ(rig.Server.RequestCount(), static_cast<std::size_t>(total));

  auto& bar = rig.Find<QProgressBar>("ProgressBar1");
  EXPECT_EQ(bar.maximum(), total);
  EXPECT_EQ(bar.value(), total);
  EXPECT_TRUE(rig.Find<QLabel>("LabelProgress").text().startsWith("Failed: 0"));
}

TEST_F(MainWindowTest, StartOverAnotherAreasTaskAsksAndNoKeepsItYesReplacesIt) {
  std::filesystem::create_directories(rig.SaveFolder);
  const std::string taskFile = rig.SaveFolder + "survey.qtsk";
  const std::string earlier = "[AREA]\r\nLeftLongitude=1\r\n[MapsType]\r\nMapsType=3\r\n";
  Sandbox::WriteAll(taskFile, earlier);
  TypeRequest("10.050", "+10.1", "50.05", "50", "survey.qtsk");
  const QString question =
      "A task named survey.qtsk with another area already exists in this "
      "folder. Replace it and its log, tile list and failed-tile list?";
  auto& start = rig.Find<QPushButton>("BitBtn1");
  rig.Watcher.QueueQuestionAnswer(QMessageBox::No);
  ClickLater(start);
  ASSERT_TRUE(WaitForBox(question, std::chrono::seconds(10)));
  EXPECT_EQ(rig.Watcher.Boxes().back().Icon, QMessageBox::Question);
  ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(start.text(), "Start");
  EXPECT_EQ(Sandbox::ReadAll(taskFile), earlier);
  EXPECT_EQ(rig.Find<QLineEdit>("Edit1").text(), "10.050");

  rig.Watcher.QueueQuestionAnswer(QMessageBox::Yes);
  ClickLater(start);
  ASSERT_TRUE(WaitUntil([&] { return start.text() == "Stop"; }, std::chrono::seconds(10)));
  // The boxes show what the new task file stores, as Open task would.
  EXPECT_EQ(rig.Find<QLineEdit>("Edit1").text(), "10.05");
  EXPECT_EQ(rig.Find<QLineEdit>("Edit3").text(), "10.1");
  EXPECT_EQ(rig.Watcher.Boxes().size(), 2u);
  ASSERT_TRUE(WaitForBox(kTaskStopedBox));
  EXPECT_NE(Sandbox::ReadAll(taskFile), earlier);
}

TEST_F(MainWindowTest, WorkersThatEndEarlyAreNamedUnderTheBarAfterTheRun) {
  Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                    "[Proxy]\r\nUseProxy=1\r\nProxyServer=127.0.0.1\r\nProxyPort=3128x\r\n"
                    "[TileService]\r\nHost=" +
                        rig.Server.HostPort() + "\r\n");
  TypeRequest("10", "10.05", "50.05", "50", "survey.qtsk");
  rig.Find<QPushButton>("BitBtn1").click();
  ASSERT_TRUE(WaitForBox(kTaskStopedBox));
  auto& line = rig.Find<QLabel>("LabelProgress");
  EXPECT_TRUE(line.isVisible());
  EXPECT_TRUE(QRegularExpression("^Failed: 0\nEnded early: T1 Error: the proxy port \"3128x\" "
                                 "is not a decimal port number from 1 to 65535\\.$")
                  .match(line.text())
                  .hasMatch())
      << line.text().toStdString();
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
}

TEST(MainWindowPlacementTest, SizeAndPlaceComeBackAtTheNextStartAndTheLogTakesTheWidth) {
  GuiRig rig;
  QCoreApplication::processEvents();
  const int logWidth = rig.Find<QWidget>("Memo1").width();
  const int leftWidth = rig.Find<QWidget>("LeftColumn").width();
  rig.Main().setGeometry(40, 30, 700, 450);
  rig.Main().close();

  gui::ProgramWindows again(rig.Platform, rig.Time);
  ASSERT_TRUE(again.Main().ShowAtStart());
  QCoreApplication::processEvents();
  EXPECT_EQ(again.Main().geometry(), QRect(40, 30, 700, 450));
  EXPECT_EQ(rig.Find<QWidget>(again.Main(), "LeftColumn").width(), leftWidth);
  EXPECT_EQ(rig.Find<QWidget>(again.Main(), "Memo1").width(), logWidth + 700 - 596);
}

TEST(MainWindowStopTest, StopAsksEveryWorkerAndTheRunEndsWithTheSameBox) {
  // Replies that take a while keep the eight workers busy until Stop is pressed.
  GuiRigOptions slow;
  slow.Server.DefaultReply = [](const Request&) {
    return DelayedReply(PngReply(), std::chrono::milliseconds(50));
  };
  GuiRig slowRig(slow);
  TypeInto(slowRig.Find<QLineEdit>("Edit1"), "10");
  TypeInto(slowRig.Find<QLineEdit>("Edit3"), "12");
  TypeInto(slowRig.Find<QLineEdit>("Edit2"), "52");
  TypeInto(slowRig.Find<QLineEdit>("Edit4"), "50");
  auto& button = slowRig.Find<QPushButton>("BitBtn1");
  button.click();
  ASSERT_EQ(button.text(), "Stop");
  button.click();
  EXPECT_EQ(button.text(), "Stop");

  const QString shown = PaneText(slowRig.Find<QPlainTextEdit>("Memo1"));
  for (int worker = 1; worker <= 8; ++worker) {
    EXPECT_TRUE(
        shown.contains(QString("Thread%1will be terminated by user. please wait...").arg(worker)))
        << worker;
  }
  ASSERT_TRUE(
      WaitUntil([&] { return slowRig.Watcher.Saw(kTaskStopedBox); }, std::chrono::seconds(60)));
  EXPECT_EQ(button.text(), "Start");
  EXPECT_LT(slowRig.Server.RequestCount(),
            static_cast<std::size_t>(slowRig.Form().CurrentTask->TotalCount));
}

TEST_F(MainWindowTest, OpenTaskFillsTheBoxesFromTheChosenFile) {
  std::filesystem::create_directories(rig.SaveFolder);
  const std::string taskFile = rig.SaveFolder + "survey.qtsk";
  Sandbox::WriteAll(taskFile,
                    "[AREA]\r\nLeftLongitude=12.5\r\nRightLongitude=12.75\r\n"
                    "TopLatitude=41.9\r\nBottomLatitude=41.8\r\n[Zoom]\r\nZoom=7\r\n");
  QString title;
  QStringList filters;
  rig.Watcher.Queue(ChooseFile(taskFile, &title, &filters));
  ClickLater(rig.Find<QPushButton>("Button4"));

  ASSERT_TRUE(WaitUntil([&] { return rig.Find<QLineEdit>("Edit1").text() == "12.5"; },
                        std::chrono::seconds(20)));
  EXPECT_EQ(title, "Open project file:");
  EXPECT_EQ(filters, QStringList{"Projects (*.qtsk)"});
  EXPECT_EQ(rig.Find<QLineEdit>("Edit3").text(), "12.75");
  EXPECT_EQ(rig.Find<QLineEdit>("Edit2").text(), "41.9");
  EXPECT_EQ(rig.Find<QLineEdit>("Edit4").text(), "41.8");
  EXPECT_EQ(rig.Find<QLineEdit>("Edit5").text(), "7");
  EXPECT_EQ(rig.Find<QLineEdit>("Edit6").text().toStdString(), rig.SaveFolder);
  EXPECT_EQ(rig.Find<QLineEdit>("EditTaskName").text(), "survey.qtsk");
}

TEST(MainWindowSourcesTest, TheDropDownOffersTheSourcesRemembersAChoiceAndFollowsAnOpenedTask) {
  GuiRigOptions options;
  options.Sources =
      "[MapType 100]\r\nName=Demo XYZ\r\nUrl=http://127.0.0.1:8642/{z}/{x}/{y}.png\r\n"
      "[MapType 101]\r\nName=Demo TMS\r\nUrl=http://127.0.0.1:8642/{z}/{x}/{-y}.png\r\n";
  GuiRig rig(options);
  auto& sources = rig.Find<QComboBox>("ComboBoxMapsType");
  EXPECT_EQ(sources.accessibleName(), "Map source:");
  QStringList items;
  for (int i = 0; i < sources.count(); ++i) {
    items << sources.itemText(i);
  }
  EXPECT_EQ(items, (QStringList{"Orvex Maps", "Demo XYZ", "Demo TMS"}));
  EXPECT_EQ(sources.currentIndex(), 0);
  // Below the path row, in the same column as the path.
  EXPECT_GT(sources.y(), rig.Find<QLineEdit>("Edit6").y());
  EXPECT_EQ(sources.x(), rig.Find<QLineEdit>("Edit6").x());

  sources.setFocus();
  PressKey(sources, Qt::Key_Down);
  EXPECT_EQ(rig.Form().ChosenMapSource().Name, "Demo XYZ");
  EXPECT_EQ(TIniFile(rig.ProgramFolder + "ini/config.ini").ReadInteger("IniParas", "MapsType", 0),
            100);

  std::filesystem::create_directories(rig.SaveFolder);
  const std::string taskFile = rig.SaveFolder + "tms.qtsk";
  Sandbox::WriteAll(taskFile,
                    "[MapsType]\r\nMapsType=101\r\n[Source]\r\nName=Demo TMS\r\n"
                    "Url=http://127.0.0.1:8642/{z}/{x}/{-y}.png\r\nUserAgent=Kartovel/6.436\r\n"
                    "[Zoom]\r\nZoom=7\r\n");
  rig.Watcher.Queue(ChooseFile(taskFile));
  ClickLater(rig.Find<QPushButton>("Button4"));
  ASSERT_TRUE(WaitUntil([&] { return sources.currentIndex() == 2; }, std::chrono::seconds(20)));
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  ASSERT_TRUE(rig.Main().isVisible());
  rig.TriggerMenu("Exit1");
  EXPECT_TRUE(WaitUntil([&] { return !rig.Main().isVisible(); }, std::chrono::seconds(10)));
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheLoopWhileTheConverterIsOpen) {
  rig.TriggerMenu("ConvertLongitudeorLatitudetodegreen1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Find<QWidget>("frmConvert").isVisible(); }));
  QTimer::singleShot(0, &rig.Main(), [&] { rig.Main().close(); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(10000);
  EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
}  // namespace kartovel::testing
