// The re-download dialog: modal, its size, and a run over a failed-tile file against the
// loopback service, reported line by line in its pane; during a run it answers, shows the
// record it is on, and closing it stops the run.
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

TEST(RedownloadDialogTest, FetchesEveryRecordAndReportsEachInThePane) {
  GuiRig rig;
  rig.Server.Enqueue({PngReply(), StatusReply(404), PngReply()});
  const std::string url1 = rig.Server.Url("/hx/tl?x=1&y=1&z=3");
  const std::string url2 = rig.Server.Url("/hx/tl?x=2&y=1&z=3");
  const std::string url3 = rig.Server.Url("/hx/tl?x=3&y=1&z=3");
  std::filesystem::create_directory(rig.Box.Path("run"));
  const std::string tile1 = rig.Box.Path("run/qn_1_1_2.png");
  const std::string tile3 = rig.Box.Path("run/qn_3_1_2.png");
  const std::string ftl = rig.Box.Path("run_failed.ftl");
  const std::string records = tile1 + "|" + url1 + "\r\n" + rig.Box.Path("run/qn_2_1_2.png") + "|" +
                              url2 + "\r\n" + tile3 + "|" + url3 + "\r\n";
  Sandbox::WriteAll(ftl, records);

  QSize size;
  int panelHeight = 0;
  QString fileDialogTitle;
  QStringList filters;
  QString report;
  QString purpose;
  QPlainTextEdit::LineWrapMode wrap = QPlainTextEdit::NoWrap;
  rig.Watcher.Queue([&](QWidget& modal) {
    if (modal.objectName() != "frmFlt") {
      return false;
    }
    purpose = rig.Find<QLabel>(modal, "Purpose").text();
    wrap = rig.Find<QPlainTextEdit>(modal, "Memo1").lineWrapMode();
    size = modal.size();
    panelHeight = rig.Find<QFrame>(modal, "Panel1").height();
    ClickLater(rig.Find<QPushButton>(modal, "Button1"));
    return true;
  });
  rig.Watcher.Queue(ChooseFile(ftl, &fileDialogTitle, &filters));
  rig.Watcher.Queue([&](QWidget& modal) {
    auto& pane = rig.Find<QPlainTextEdit>(modal, "Memo1");
    if (!pane.toPlainText().endsWith("Download End.")) {
      return false;
    }
    report = pane.toPlainText();
    QTimer::singleShot(0, &modal, [&modal] { static_cast<QDialog&>(modal).reject(); });
    return true;
  });
  rig.TriggerMenu("ReDownloadfailedfiles1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; }));
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));

  EXPECT_EQ(size, QSize(703, 453));
  EXPECT_EQ(panelHeight, 57);
  // The dialog says what it does, and a long line wraps so that its "->OK" is seen.
  EXPECT_TRUE(purpose.startsWith("Fetches again the tiles a failed-tile file"))
      << purpose.toStdString();
  EXPECT_EQ(wrap, QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(fileDialogTitle, "Open ftl file:");
  EXPECT_EQ(filters, QStringList{"Projects (*.ftl)"});
  const QStringList expected = {
      "Start...",
      QString::fromStdString(tile1 + ":" + url1 + " ->OK"),
      QString::fromStdString("HTTP/1.1 404 Not Found->" + url2),
      QString::fromStdString(url2 + ":Error: the image is not found on server."),
      QString::fromStdString(tile3 + ":" + url3 + " ->OK"),
      "Download End."};
  EXPECT_EQ(report.split('\n'), expected);
  EXPECT_EQ(Sandbox::ReadAll(tile1), SmallPng());
  EXPECT_EQ(Sandbox::ReadAll(ftl), records);
}

TEST(RedownloadDialogTest, StaysResponsiveShowsTheRecordAndClosingStopsTheRun) {
  GuiRig rig;
  rig.Server.Enqueue({PngReply(), TrickleReply(std::chrono::milliseconds(500)), PngReply()});
  std::filesystem::create_directory(rig.Box.Path("run"));
  const auto tile = [&](int column) {
    return rig.Box.Path("run/qn_" + std::to_string(column) + "_1_2.png");
  };
  std::string records;
  for (int i = 1; i <= 3; ++i) {
    records += tile(i) + "|" + rig.Server.Url("/t" + std::to_string(i) + ".png") + "\r\n";
  }
  const std::string ftl = rig.Box.Path("run_failed.ftl");
  Sandbox::WriteAll(ftl, records);

  QString progress;
  bool buttonEnabled = true;
  std::chrono::steady_clock::time_point closedAt;
  rig.Watcher.Queue([&](QWidget& modal) {
    ClickLater(rig.Find<QPushButton>(modal, "Button1"));
    return true;
  });
  rig.Watcher.Queue(ChooseFile(ftl));
  // The watcher's own timer runs while the second record trickles: the window answers.
  rig.Watcher.Queue([&](QWidget& modal) {
    if (rig.Server.RequestCount() < 2) {
      return false;
    }
    progress = rig.Find<QLabel>(modal, "Progress").text();
    buttonEnabled = rig.Find<QPushButton>(modal, "Button1").isEnabled();
    QTimer::singleShot(0, &modal, [&closedAt, &modal] {
      closedAt = std::chrono::steady_clock::now();
      static_cast<QDialog&>(modal).reject();
    });
    return true;
  });
  rig.TriggerMenu("ReDownloadfailedfiles1");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.PendingAnswers() == 0; }));
  ASSERT_TRUE(WaitUntil([&] { return !rig.Windows->FrmFlt().Running(); }, std::chrono::seconds(5)));
  const auto stopping = std::chrono::steady_clock::now() - closedAt;

  EXPECT_EQ(progress, "2 of 3");
  EXPECT_FALSE(buttonEnabled);
  EXPECT_LT(stopping, std::chrono::seconds(1));
  EXPECT_EQ(rig.Server.RequestCount(), 2u);
  EXPECT_EQ(Sandbox::ReadAll(tile(1)), SmallPng());
  EXPECT_FALSE(std::filesystem::exists(tile(2)));
  EXPECT_TRUE(rig.Find<QPushButton>(rig.Windows->Redownload(), "Button1").isEnabled());
  EXPECT_EQ(rig.Find<QLabel>(rig.Windows->Redownload(), "Progress").text(), "");
}

}  // namespace
}  // namespace kartovel::testing
