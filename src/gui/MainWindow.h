// The main window: the request's fields, Start/Stop, the log pane and the menu, bound to
// the TForm1 model. The view copies what the user types into the model as it is typed,
// enters every handler through the general error display, and shows what the model
// reports back through TForm1View.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "app/Unit1.h"
#include "common/Platform.h"
#include "gui/LogPane.h"
#include "gui/UpDown.h"

namespace kartovel::gui {

class MainWindow : public QMainWindow, public TForm1View {
  Q_OBJECT

 public:
  MainWindow(TForm1& model, Platform& platform);
  ~MainWindow() override;

  // Shows the window where it was when last closed, or centred on the desktop; runs
  // FormShow first. False when FormShow failed (the error was shown and the program ends).
  bool ShowAtStart();

  // TForm1View
  void LogLinesAppended(std::size_t first) override;
  void LogReplaced() override;
  void FailedLinesAppended(std::size_t first) override;
  void FailedReplaced() override;
  void FieldsChanged() override;
  void MapSourcesChanged() override;
  void TimerChanged(bool enabled) override;
  void ProgressChanged() override;
  void CloseRequested() override;

 signals:
  // The menu commands that open the dialogs, which the program wires up.
  void optionsRequested();
  void convertRequested();
  void redownloadRequested();
  void refreshRequested();
  void exportRequested();
  void verifyRequested();
  // "Queue ..." of the Tools menu, and "Add to queue" beside Start.
  void queueRequested();
  void addToQueueRequested();
  void aboutRequested();
  // "Select on map ...": the area window over the boxes.
  void selectAreaRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Keeps the window's size and place in the configuration for the next start.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTaskRow();
  void BuildRectangleFrame();
  void BuildPathRow();
  void BuildAreaRows();
  void ShowArea();
  void BuildLeftColumn();
  void BuildPanes();
  void BuildMenu();
  void NameControls();
  void BindEdits();
  void BindCommands();
  void BindEdit(QLineEdit& edit, std::string TForm1::*field);
  void Run(void (TForm1::*handler)());
  void ShowProgress();
  // The Up and Down keys and the wheel over the zoom box.
  void StepZoom(QLineEdit& box, bool up);
  // The estimate line: asked again once the request's boxes have stood still a moment.
  void BindEstimate();
  QString EstimateKey() const;
  void EstimateInputsMayHaveChanged();
  // The stored size and place, when it still fits a screen; false otherwise.
  bool RestoreBounds();
  void SaveBounds();

  TForm1& model_;
  Platform& platform_;

  QWidget central_;
  QHBoxLayout centralLayout_;
  QWidget leftColumn_;
  QVBoxLayout leftLayout_;

  QGridLayout taskRow_;
  QLabel label16_;
  QLineEdit editTaskName_;
  QPushButton button4_;

  QGroupBox groupBox4_;
  QGridLayout rectangleLayout_;
  QLabel label1_;
  QLineEdit edit1_;
  QLabel label2_;
  QLineEdit edit3_;
  QLabel label3_;
  QLineEdit edit2_;
  QLabel label4_;
  QLineEdit edit4_;
  QLabel label5_;
  QHBoxLayout zoomRow_;
  QLineEdit edit5_;
  UpDown upDown1_;
  QLabel labelZoomTo_;
  QLineEdit editZoomTo_;
  UpDown upDownZoomTo_;
  QLabel labelEstimate_;
  QTimer estimateDelay_;
  QTimer estimatePoll_;
  QString estimateKey_;  // the inputs of the estimate asked last
  QPushButton buttonSelectArea_;

  QGridLayout pathRow_;
  QLabel label6_;
  QLineEdit edit6_;
  QPushButton button1_;
  QLabel labelMapsType_;
  QComboBox comboBoxMapsType_;
  // "Area:": the rectangle of the boxes above, or a shape file's name and file.
  QLabel labelArea_;
  QLabel areaValue_;
  QHBoxLayout areaButtons_;
  QPushButton buttonOpenShape_;
  QPushButton buttonRectangle_;
  QLabel labelCorridor_;
  QLineEdit editCorridor_;

  QLabel labelTotalxy_;
  QProgressBar progressBar1_;
  QLabel labelProgress_;
  QPushButton bitBtn1_;
  // Beside Start: the request as a job of the queue.
  QHBoxLayout startRow_;
  QPushButton buttonAddToQueue_;

  LogPane memo1_;
  QWidget panel2_;
  QVBoxLayout panel2Layout_;
  LogPane memo2_;

  QStatusBar statusBar1_;
  QLabel statusText_;
  QTimer timer1_;
  QRegularExpressionValidator zoomDigits_;
};

}  // namespace kartovel::gui
