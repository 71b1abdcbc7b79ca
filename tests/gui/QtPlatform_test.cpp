// The Qt platform: filters in Qt's form, the program folder, and the hand-off from a
// worker thread to the GUI thread (run there, waited for, dropped once the program ends).
#include "gui/QtPlatform.h"

#include <atomic>
#include <thread>

#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

TEST(QtFileFilterTest, TranslatesNamePatternPairs) {
  const std::pair<const char*, const char*> cases[] = {
      {"Projects(*.qtsk)|*.qtsk", "Projects (*.qtsk)"},
      {"Projects(*.ftl)|*.ftl", "Projects (*.ftl)"},
      {"Logs (*.txt)|*.txt", "Logs (*.txt)"},
      {"Projects(*.qtsk)|*.txt", "Projects(*.qtsk) (*.txt)"},
      {"Images|*.png;*.jpg|All|*.*", "Images (*.png *.jpg);;All (*.*)"},
      {"", ""},
      {"Lonely name", ""}};
  for (const auto& [filter, expected] : cases) {
    EXPECT_EQ(gui::QtFileFilter(filter), expected) << filter;
  }
}

TEST(QtPlatformTest, ProgramFolderEndsWithTheSeparator) {
  gui::QtPlatform fromExecutable;
  EXPECT_EQ(fromExecutable.ProgramFolder(),
            QCoreApplication::applicationDirPath().toStdString() + "/");
  gui::QtPlatform given("/tmp/program");
  EXPECT_EQ(given.ProgramFolder(), "/tmp/program/");
}

TEST(QtPlatformTest, HandOffRunsOnTheGuiThreadAndIsWaitedFor) {
  gui::QtPlatform platform;
  const std::thread::id guiThread = std::this_thread::get_id();
  std::atomic<bool> ranOnGuiThread{false};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    platform.RunBlocking([&] { ranOnGuiThread = std::this_thread::get_id() == guiThread; });
    returned = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return returned.load(); }, std::chrono::seconds(10)));
  worker.join();
  EXPECT_TRUE(ranOnGuiThread);

  bool ranInline = false;
  platform.RunBlocking([&] { ranInline = true; });  // from the GUI thread: no deadlock
  EXPECT_TRUE(ranInline);
}

TEST(QtPlatformTest, HandOffsAreDroppedOnceStopped) {
  gui::QtPlatform platform;
  platform.StopHandOffs();
  bool ran = false;
  std::thread worker([&] { platform.RunBlocking([&] { ran = true; }); });
  worker.join();  // returns without the GUI thread serving it
  EXPECT_FALSE(ran);
}

TEST(QtPlatformTest, MessagesAreCaptionedWithTheProgramTitle) {
  gui::QtPlatform platform;
  ModalWatcher watcher;
  QTimer::singleShot(0, [&] { platform.ShowMessage("Hello"); });
  ASSERT_TRUE(WaitUntil([&] { return watcher.Boxes().size() == 1; }, std::chrono::seconds(10)));
  QTimer::singleShot(0, [&] { platform.ShowError("Broken."); });
  ASSERT_TRUE(WaitUntil([&] { return watcher.Boxes().size() == 2; }, std::chrono::seconds(10)));
  EXPECT_EQ(watcher.Boxes()[0].Title, "Kartovel");
  EXPECT_EQ(watcher.Boxes()[0].Icon, QMessageBox::NoIcon);
  EXPECT_EQ(watcher.Boxes()[1].Title, "Kartovel");
  EXPECT_EQ(watcher.Boxes()[1].Text, "Broken.");
  EXPECT_EQ(watcher.Boxes()[1].Icon, QMessageBox::Critical);
}

}  // namespace
}  // namespace kartovel::testing
