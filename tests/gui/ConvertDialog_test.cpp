// The converter window: opened from the Misc menu without blocking, always on top,
// Enter converts, and a bad degrees text shows "Input Error." leaving the result alone.
#include "gui/GuiRig.h"

namespace kartovel::testing {
namespace {

class ConvertDialogTest : public ::testing::Test {
 protected:
  void Open() {
    rig.TriggerMenu("ConvertLongitudeorLatitudetodegreen1");
    ASSERT_TRUE(WaitUntil([&] { return dialog().isVisible(); }, std::chrono::seconds(10)));
  }
  QDialog& dialog() { return rig.Find<QDialog>("frmConvert"); }
  QLineEdit& edit(const char* name) { return rig.Find<QLineEdit>(dialog(), name); }
  void Convert(const QString& degrees, const QString& minutes, const QString& seconds) {
    TypeInto(edit("Edit1"), degrees);
    TypeInto(edit("Edit2"), minutes);
    TypeInto(edit("Edit3"), seconds);
    PressKey(edit("Edit3"), Qt::Key_Return);
  }

  GuiRig rig;
};

TEST_F(ConvertDialogTest, OpensWithoutBlockingAndStaysOnTop) {
  Open();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(dialog().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(dialog().windowTitle(), "Convert \"Degrees,Minutes,Seconds\" to \"Degrees\"");
  EXPECT_EQ(dialog().size(), QSize(466, 99));
  EXPECT_TRUE(edit("Edit4").isReadOnly());
  EXPECT_TRUE(rig.Find<QPushButton>(dialog(), "Button1").isDefault());
  // The line on what it does fits the fixed window above the fields.
  const QLabel& purpose = rig.Find<QLabel>(dialog(), "Purpose");
  EXPECT_TRUE(purpose.text().startsWith("Turns an angle")) << purpose.text().toStdString();
  EXPECT_LE(purpose.geometry().bottom(), edit("Edit1").mapTo(&dialog(), QPoint(0, 0)).y());
  EXPECT_LE(purpose.sizeHint().width(), purpose.width());
  EXPECT_LE(edit("Edit4").mapTo(&dialog(), QPoint(0, edit("Edit4").height())).y(), 99);
}

TEST_F(ConvertDialogTest, EnterConvertsTheTypedAngle) {
  Open();
  const struct {
    const char* degrees;
    const char* minutes;
    const char* seconds;
    const char* result;
  } cases[] = {{"10", "30", "0", "10.5"},
               {"40", "26", "46", "40.4461097717285"},
               {"-10", "30", "0", "-9.5"},
               {"0", "0", "0.1", "2.77777780866018E-5"}};
  for (const auto& angle : cases) {
    Convert(angle.degrees, angle.minutes, angle.seconds);
    EXPECT_EQ(edit("Edit4").text(), angle.result) << angle.degrees << " " << angle.minutes;
  }
}

TEST_F(ConvertDialogTest, InputErrorKeepsThePreviousResult) {
  Open();
  Convert("10", "30", "0");
  ASSERT_EQ(edit("Edit4").text(), "10.5");
  Convert("10.5", "0", "0");
  ASSERT_TRUE(WaitUntil([&] { return rig.Watcher.Saw("Input Error."); }, std::chrono::seconds(10)));
  EXPECT_EQ(rig.Watcher.Boxes().back().Title, "Kartovel");
  EXPECT_EQ(edit("Edit4").text(), "10.5");
  EXPECT_EQ(edit("Edit1").text(), "10.5");
}

}  // namespace
}  // namespace kartovel::testing
