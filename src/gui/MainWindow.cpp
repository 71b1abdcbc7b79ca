// The main window's widgets, their layout, and their binding to the TForm1 model.
#include "gui/MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

#include "app/HandlerGuard.h"
#include "app/ProgressText.h"
#include "app/WindowPlacement.h"
#include "common/Error.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {

constexpr int kWindowWidth = 596;
constexpr int kWindowHeight = 376;
constexpr int kLeftColumnWidth = 329;
const QColor kLogTextColour(0, 128, 0);

void SetUpPaneColours(QPlainTextEdit& pane) {
  QPalette palette = pane.palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
  palette.setColor(QPalette::Text, kLogTextColour);
  pane.setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(TForm1& model, Platform& platform)
    : model_(model),
      platform_(platform),
      central_(this),
      centralLayout_(&central_),
      leftColumn_(&central_),
      leftLayout_(&leftColumn_),
      label16_(tr("Task name:"), &leftColumn_),
      editTaskName_(&leftColumn_),
      button4_(tr("Open task ..."), &leftColumn_),
      groupBox4_(&leftColumn_),
      rectangleLayout_(&groupBox4_),
      label1_(tr("Left Longitude:"), &groupBox4_),
      edit1_(&groupBox4_),
      label2_(tr("Right Longitude:"), &groupBox4_),
      edit3_(&groupBox4_),
      label3_(tr("Top Latitude:"), &groupBox4_),
      edit2_(&groupBox4_),
      label4_(tr("Bottom Latitude:"), &groupBox4_),
      edit4_(&groupBox4_),
      label5_(tr("Zoom level:"), &groupBox4_),
      edit5_(&groupBox4_),
      upDown1_(TForm1::UpDown1Min, TForm1::UpDown1Max, &groupBox4_),
      labelZoomTo_(tr("to"), &groupBox4_),
      editZoomTo_(&groupBox4_),
      upDownZoomTo_(TForm1::UpDown1Min, 30, &groupBox4_),
      labelEstimate_(&groupBox4_),
      // Short, so that the zoom row holds both zooms beside it; its name says the rest.
      buttonSelectArea_(tr("Map ..."), &groupBox4_),
      label6_(tr("Path to save:"), &leftColumn_),
      edit6_(&leftColumn_),
      button1_(tr("..."), &leftColumn_),
      labelMapsType_(tr("Map source:"), &leftColumn_),
      comboBoxMapsType_(&leftColumn_),
      labelArea_(tr("Area:"), &leftColumn_),
      areaValue_(&leftColumn_),
      buttonOpenShape_(tr("Open shape ..."), &leftColumn_),
      buttonRectangle_(tr("Rect."), &leftColumn_),
      labelCorridor_(tr("Corridor (m):"), &leftColumn_),
      editCorridor_(&leftColumn_),
      labelTotalxy_(&leftColumn_),
      progressBar1_(&leftColumn_),
      labelProgress_(&leftColumn_),
      bitBtn1_(&leftColumn_),
      buttonAddToQueue_(tr("Add to queue"), &leftColumn_),
      memo1_(&central_),
      panel2_(&central_),
      panel2Layout_(&panel2_),
      memo2_(&panel2_),
      statusBar1_(this),
      statusText_(QString::fromLatin1(TForm1::StatusBar1Text), &statusBar1_),
      zoomDigits_(QRegularExpression("[0-9]{0,2}")) {
  setObjectName("Form1");
  NameControls();
  BuildLeftColumn();
  BuildPanes();
  BuildMenu();
  setCentralWidget(&central_);
  setStatusBar(&statusBar1_);
  statusBar1_.addWidget(&statusText_, 1);
  BindEdits();
  BindCommands();
  BindEstimate();
  resize(kWindowWidth, kWindowHeight);
  FieldsChanged();
  LogReplaced();
  FailedReplaced();
  ShowProgress();
  model_.SetView(this);
}

MainWindow::~MainWindow() {
  model_.SetView(nullptr);
}

void MainWindow::NameControls() {
  NameEdit(editTaskName_, "EditTaskName", label16_.text());
  NameEdit(edit1_, "Edit1", label1_.text());
  NameEdit(edit3_, "Edit3", label2_.text());
  NameEdit(edit2_, "Edit2", label3_.text());
  NameEdit(edit4_, "Edit4", label4_.text());
  NameEdit(edit5_, "Edit5", label5_.text());
  NameEdit(edit6_, "Edit6", label6_.text());
  const std::pair<QLabel*, QLineEdit*> buddies[] = {
      {&label16_, &editTaskName_}, {&label1_, &edit1_}, {&label2_, &edit3_}, {&label3_, &edit2_},
      {&label4_, &edit4_},         {&label5_, &edit5_}, {&label6_, &edit6_}};
  const char* labelNames[] = {"Label16", "Label1", "Label2", "Label3",
                              "Label4",  "Label5", "Label6"};
  for (std::size_t i = 0; i < std::size(buddies); ++i) {
    buddies[i].first->setObjectName(labelNames[i]);
    buddies[i].first->setBuddy(buddies[i].second);
  }
  button4_.setObjectName("Button4");
  groupBox4_.setObjectName("GroupBox4");
  upDown1_.setObjectName("UpDown1");
  upDown1_.setAccessibleName(tr("Zoom level"));
  labelZoomTo_.setObjectName("LabelZoomTo");
  labelZoomTo_.setBuddy(&editZoomTo_);
  NameEdit(editZoomTo_, "EditZoomTo", tr("Last zoom level"));
  upDownZoomTo_.setObjectName("UpDownZoomTo");
  upDownZoomTo_.setAccessibleName(tr("Last zoom level"));
  editZoomTo_.setToolTip(tr("The last zoom of the download: each zoom from the first to this "
                            "one is a task of its own"));
  labelEstimate_.setObjectName("LabelEstimate");
  labelEstimate_.setAccessibleName(tr("Tiles, size and time of the download"));
  buttonSelectArea_.setObjectName("ButtonSelectArea");
  buttonSelectArea_.setToolTip(tr("Select on map: draw the area on a map of the map source"));
  buttonSelectArea_.setAccessibleName(tr("Select on map"));
  button1_.setObjectName("Button1");
  button1_.setToolTip(tr("Click to select path"));
  button1_.setAccessibleName(tr("Select path to save"));
  labelMapsType_.setObjectName("LabelMapsType");
  labelMapsType_.setBuddy(&comboBoxMapsType_);
  comboBoxMapsType_.setObjectName("ComboBoxMapsType");
  comboBoxMapsType_.setAccessibleName(labelMapsType_.text());
  leftColumn_.setObjectName("LeftColumn");
  labelTotalxy_.setObjectName("LabelTotalxy");
  progressBar1_.setObjectName("ProgressBar1");
  labelProgress_.setObjectName("LabelProgress");
  bitBtn1_.setObjectName("BitBtn1");
  buttonAddToQueue_.setObjectName("ButtonAddToQueue");
  buttonAddToQueue_.setToolTip(tr("Keep this request as a job of the queue (Tools, Queue ...)"));
  memo1_.setObjectName("Memo1");
  memo1_.setAccessibleName(tr("Log"));
  memo1_.setToolTip(tr("Double click to view log in notepad"));
  panel2_.setObjectName("Panel2");
  memo2_.setObjectName("Memo2");
  statusBar1_.setObjectName("StatusBar1");
  statusText_.setObjectName("StatusBar1Text");
  timer1_.setObjectName("Timer1");
}

void MainWindow::BuildTaskRow() {
  taskRow_.setHorizontalSpacing(6);
  taskRow_.addWidget(&label16_, 0, 0);
  taskRow_.addWidget(&editTaskName_, 0, 1);
  taskRow_.addWidget(&button4_, 0, 2);
  taskRow_.setColumnStretch(1, 1);
}

void MainWindow::BuildRectangleFrame() {
  // Digits only: a typed zoom is checked against the source's levels when the box is left.
  edit5_.setValidator(&zoomDigits_);
  edit5_.setFixedWidth(34);
  editZoomTo_.setValidator(&zoomDigits_);
  editZoomTo_.setFixedWidth(34);
  zoomRow_.setSpacing(0);
  zoomRow_.addWidget(&edit5_);
  zoomRow_.addWidget(&upDown1_);
  zoomRow_.addSpacing(4);
  zoomRow_.addWidget(&labelZoomTo_);
  zoomRow_.addSpacing(4);
  zoomRow_.addWidget(&editZoomTo_);
  zoomRow_.addWidget(&upDownZoomTo_);
  zoomRow_.addStretch();
  zoomRow_.addWidget(&buttonSelectArea_);
  upDown1_.setFixedHeight(edit5_.sizeHint().height());
  upDownZoomTo_.setFixedHeight(edit5_.sizeHint().height());
  rectangleLayout_.setContentsMargins(10, 6, 10, 6);
  rectangleLayout_.setVerticalSpacing(2);
  const std::pair<QLabel*, QLineEdit*> rows[] = {
      {&label1_, &edit1_}, {&label2_, &edit3_}, {&label3_, &edit2_}, {&label4_, &edit4_}};
  int row = 0;
  for (const auto& [label, edit] : rows) {
    rectangleLayout_.addWidget(label, row, 0);
    rectangleLayout_.addWidget(edit, row, 1);
    ++row;
  }
  rectangleLayout_.addWidget(&label5_, row, 0);
  rectangleLayout_.addLayout(&zoomRow_, row, 1);
  // The cost of the request, under the zooms it depends on most.
  labelEstimate_.setWordWrap(true);
  QFont small = labelEstimate_.font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  labelEstimate_.setFont(small);
  rectangleLayout_.addWidget(&labelEstimate_, row + 1, 0, 1, 2);
  rectangleLayout_.setColumnStretch(1, 1);
}

void MainWindow::BuildPathRow() {
  button1_.setFixedWidth(28);
  pathRow_.setHorizontalSpacing(6);
  pathRow_.setVerticalSpacing(2);
  pathRow_.addWidget(&label6_, 0, 0);
  pathRow_.addWidget(&edit6_, 0, 1);
  pathRow_.addWidget(&button1_, 0, 2);
  // The map source row shares the path row's columns, so both fields start together.
  comboBoxMapsType_.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  comboBoxMapsType_.setMinimumContentsLength(12);
  pathRow_.addWidget(&labelMapsType_, 1, 0);
  pathRow_.addWidget(&comboBoxMapsType_, 1, 1, 1, 2);
  pathRow_.setColumnStretch(1, 1);
  BuildAreaRows();
}

void MainWindow::BuildAreaRows() {
  labelArea_.setObjectName("LabelArea");
  areaValue_.setObjectName("AreaValue");
  buttonOpenShape_.setObjectName("ButtonOpenShape");
  buttonOpenShape_.setToolTip(tr("Download the tiles of a GeoJSON, KML or GPX file's shape"));
  buttonRectangle_.setObjectName("ButtonRectangle");
  buttonRectangle_.setToolTip(tr("Download the rectangle of the four boxes again"));
  editCorridor_.setObjectName("EditCorridor");
  editCorridor_.setAccessibleName(tr("Corridor width in metres on each side of a track"));
  editCorridor_.setToolTip(tr("Corridor (m): the width in metres on each side of a shape "
                              "file's tracks and lines"));
  editCorridor_.setFixedWidth(44);
  labelCorridor_.setBuddy(&editCorridor_);
  labelCorridor_.hide();  // the box's tooltip and name say what it holds: the row stays one line
  // One line, so the window keeps its height during a run: the area's name, then the
  // buttons.
  areaButtons_.setSpacing(3);
  // The buttons as narrow as their texts, so the area's name has the room.
  for (QPushButton* button : {&buttonOpenShape_, &buttonRectangle_}) {
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 14);
  }
  areaButtons_.addWidget(&areaValue_, 1);
  areaButtons_.addWidget(&buttonOpenShape_);
  areaButtons_.addWidget(&buttonRectangle_);
  pathRow_.addWidget(&labelArea_, 2, 0);
  pathRow_.addLayout(&areaButtons_, 2, 1, 1, 2);
  // The corridor's width goes with the map source row, whose box has room to spare.
  editCorridor_.setPlaceholderText(tr("m"));
  pathRow_.removeWidget(&comboBoxMapsType_);
  pathRow_.addWidget(&comboBoxMapsType_, 1, 1);
  pathRow_.addWidget(&editCorridor_, 1, 2);
}

void MainWindow::ShowArea() {
  const QString text = ToQt(model_.LabelArea);
  areaValue_.setToolTip(text);
  areaValue_.setText(areaValue_.fontMetrics().elidedText(text, Qt::ElideRight,
                                                         std::max(areaValue_.width(), 40)));
  // A shape's bounds stand in the boxes; they are not typed while it is the area.
  const bool shaped = model_.AreaShape.has_value();
  for (QLineEdit* edit : {&edit1_, &edit3_, &edit2_, &edit4_}) {
    edit->setReadOnly(shaped);
  }
  buttonRectangle_.setEnabled(shaped);
}

void MainWindow::BuildLeftColumn() {
  BuildTaskRow();
  BuildRectangleFrame();
  BuildPathRow();
  // The two rows outside the frame start their fields at the same place.
  const int labelWidth = std::max(
      {label16_.sizeHint().width(), label6_.sizeHint().width(), labelMapsType_.sizeHint().width()});
  label16_.setFixedWidth(labelWidth);
  label6_.setFixedWidth(labelWidth);
  labelMapsType_.setFixedWidth(labelWidth);
  labelArea_.setFixedWidth(labelWidth);
  QFont bold = bitBtn1_.font();
  bold.setBold(true);
  bitBtn1_.setFont(bold);
  bitBtn1_.setDefault(true);
  bitBtn1_.setMinimumHeight(30);
  progressBar1_.setTextVisible(true);
  progressBar1_.setMaximumHeight(18);
  // The line below the bar may carry a worker's error: it wraps instead of being cut.
  labelProgress_.setWordWrap(true);
  leftColumn_.setFixedWidth(kLeftColumnWidth);
  leftLayout_.setContentsMargins(0, 0, 0, 0);
  // Tight enough that the run's progress rows and the area row fit in the window's height
  // of 376.
  leftLayout_.setSpacing(2);
  leftLayout_.addLayout(&taskRow_);
  leftLayout_.addWidget(&groupBox4_);
  leftLayout_.addLayout(&pathRow_);
  leftLayout_.addWidget(&labelTotalxy_);
  leftLayout_.addWidget(&progressBar1_);
  leftLayout_.addWidget(&labelProgress_);
  buttonAddToQueue_.setMinimumHeight(30);
  startRow_.setSpacing(4);
  startRow_.addWidget(&bitBtn1_, 1);
  startRow_.addWidget(&buttonAddToQueue_);
  leftLayout_.addLayout(&startRow_);
  // The rows stay together at the top, Start with them; a taller window gives its room
  // to the log pane beside them, never to gaps between the rows.
  leftLayout_.addStretch(1);
}

void MainWindow::BuildPanes() {
  SetUpPaneColours(memo1_);
  SetUpPaneColours(memo2_);
  // The failed-tile pane only holds lines for the run's files; it is never shown.
  panel2Layout_.setContentsMargins(0, 0, 0, 0);
  panel2Layout_.addWidget(&memo2_);
  panel2_.setFixedHeight(0);
  panel2_.hide();
  centralLayout_.setContentsMargins(6, 6, 6, 4);
  centralLayout_.setSpacing(6);
  centralLayout_.addWidget(&leftColumn_);
  centralLayout_.addWidget(&memo1_, 1);
  centralLayout_.addWidget(&panel2_);
}

void MainWindow::BuildMenu() {
  struct Item {
    const char* name;
    const char* caption;
    std::function<void()> command;
  };
  const auto addMenu = [this](const char* name, const char* caption,
                              std::initializer_list<Item> items) {
    QMenu* menu = menuBar()->addMenu(tr(caption));
    menu->setObjectName(name);
    for (const Item& item : items) {
      if (item.name == nullptr) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(tr(item.caption));
      action->setObjectName(item.name);
      connect(action, &QAction::triggered, this, item.command);
    }
  };
  const Item separator{nullptr, nullptr, {}};
  menuBar()->setObjectName("MainMenu1");
  addMenu("File1", "&File", {{"Exit1", "E&xit", [this] { Run(&TForm1::Exit1Click); }}});
  addMenu("Options1", "&Options",
          {{"Options2", "Options...", [this] { emit optionsRequested(); }}});
  addMenu("Misc1", "&Misc",
          {{"ConvertLongitudeorLatitudetodegreen1",
            "Convert \"Degrees,Minutes,Seconds\"  to \"Degrees\"...",
            [this] { emit convertRequested(); }},
           separator,
           {"Viewlogfile1", "View log file", [this] { Run(&TForm1::Viewlogfile1Click); }}});
  addMenu("Tools1", "&Tools",
          {{"Mapviewer1", "Map Viewer", [this] { Run(&TForm1::Mapviewer1Click); }},
           separator,
           {"CombineImages1", "Map Combiner", [this] { Run(&TForm1::CombineImages1Click); }},
           separator,
           {"ReDownloadfailedfiles1", "Re-Download failed images",
            [this] { emit redownloadRequested(); }},
           {"RefreshTiles1", "Refresh tiles ...", [this] { emit refreshRequested(); }},
           separator,
           {"ExporttoMBTiles1", "Export to MBTiles ...", [this] { emit exportRequested(); }},
           separator,
           {"Verify1", "Verify ...", [this] { emit verifyRequested(); }},
           separator,
           {"Queue1", "Queue ...", [this] { emit queueRequested(); }}});
  addMenu("Help1", "&Help",
          {{"Usermanual1", "User manual", [this] { Run(&TForm1::Usermanual1Click); }},
           separator,
           {"About1", "About...", [this] { emit aboutRequested(); }}});
}

void MainWindow::BindEdit(QLineEdit& edit, std::string TForm1::*field) {
  connect(&edit, &QLineEdit::textChanged, this,
          [&model = model_, field](const QString& text) { model.*field = FromQt(text); });
}

void MainWindow::BindEdits() {
  BindEdit(editTaskName_, &TForm1::EditTaskName);
  BindEdit(edit1_, &TForm1::Edit1);
  BindEdit(edit3_, &TForm1::Edit3);
  BindEdit(edit2_, &TForm1::Edit2);
  BindEdit(edit4_, &TForm1::Edit4);
  BindEdit(edit6_, &TForm1::Edit6);
  BindEdit(editCorridor_, &TForm1::EditCorridor);
  BindEdit(edit5_, &TForm1::Edit5);
  // Typed zooms are taken on leaving the box; the arrows, the Up and Down keys and the
  // wheel step the spinner.
  connect(&edit5_, &QLineEdit::editingFinished, this, [this] { Run(&TForm1::Edit5Exit); });
  edit5_.installEventFilter(this);
  BindEdit(editZoomTo_, &TForm1::EditZoomTo);
  connect(&editZoomTo_, &QLineEdit::editingFinished, this,
          [this] { Run(&TForm1::EditZoomToExit); });
  editZoomTo_.installEventFilter(this);
}

void MainWindow::BindCommands() {
  connect(&button4_, &QPushButton::clicked, this,
          [this] { Run(&TForm1::LoadParametersfromprojectfilel1Click); });
  connect(&button1_, &QPushButton::clicked, this, [this] { Run(&TForm1::Button1Click); });
  connect(&buttonSelectArea_, &QPushButton::clicked, this, [this] { emit selectAreaRequested(); });
  connect(&bitBtn1_, &QPushButton::clicked, this, [this] { Run(&TForm1::BitBtn1Click); });
  connect(&buttonAddToQueue_, &QPushButton::clicked, this, [this] { emit addToQueueRequested(); });
  connect(&buttonOpenShape_, &QPushButton::clicked, this,
          [this] { Run(&TForm1::ButtonOpenShapeClick); });
  connect(&buttonRectangle_, &QPushButton::clicked, this,
          [this] { Run(&TForm1::ButtonRectangleClick); });
  connect(&upDown1_, &UpDown::upClicked, this, [this] { Run(&TForm1::UpDown1Up); });
  connect(&upDown1_, &UpDown::downClicked, this, [this] { Run(&TForm1::UpDown1Down); });
  connect(&upDownZoomTo_, &UpDown::upClicked, this, [this] { Run(&TForm1::UpDownZoomToUp); });
  connect(&upDownZoomTo_, &UpDown::downClicked, this,
          [this] { Run(&TForm1::UpDownZoomToDown); });
  connect(&memo1_, &LogPane::doubleClicked, this, [this] { Run(&TForm1::Memo1DblClick); });
  connect(&timer1_, &QTimer::timeout, this, [this] { Run(&TForm1::Timer1Timer); });
  // Only the user's choice is remembered: activated is not sent for changes made here.
  connect(&comboBoxMapsType_, &QComboBox::activated, this, [this](int index) {
    model_.ComboBoxMapsTypeItemIndex = index;
    Run(&TForm1::ComboBoxMapsTypeChange);
  });
}

void MainWindow::Run(void (TForm1::*handler)()) {
  RunHandler(platform_, [&model = model_, handler] { std::invoke(handler, model); });
  // Handlers that end in a message or an error may have changed fields without notice.
  FieldsChanged();
}

void MainWindow::BindEstimate() {
  // Typing waits for nothing: the estimate is asked once the boxes rest for a moment and
  // worked out on the model's own thread, whose answer is looked for now and then.
  estimateDelay_.setSingleShot(true);
  estimateDelay_.setInterval(300);
  estimatePoll_.setInterval(100);
  connect(&estimateDelay_, &QTimer::timeout, this, [this] {
    Run(&TForm1::AskEstimate);
    estimatePoll_.start();
  });
  connect(&estimatePoll_, &QTimer::timeout, this, [this] {
    Run(&TForm1::ShowEstimateAnswer);
    if (!model_.EstimatePending()) {
      estimatePoll_.stop();
    }
  });
  for (QLineEdit* edit : {&edit1_, &edit3_, &edit2_, &edit4_, &edit6_}) {
    connect(edit, &QLineEdit::textChanged, this, [this] { EstimateInputsMayHaveChanged(); });
  }
}

QString MainWindow::EstimateKey() const {
  QStringList inputs;
  for (const std::string* text : {&model_.Edit1, &model_.Edit3, &model_.Edit2, &model_.Edit4,
                                  &model_.Edit5, &model_.EditZoomTo, &model_.Edit6,
                                  &model_.LabelArea}) {
    inputs << ToQt(*text);
  }
  inputs << QString::number(model_.ComboBoxMapsTypeItemIndex)
         << QString::number(model_.UpDown1Position);
  return inputs.join('\n');
}

void MainWindow::EstimateInputsMayHaveChanged() {
  const QString key = EstimateKey();
  if (key != estimateKey_) {
    estimateKey_ = key;
    estimateDelay_.start();
  }
}

bool MainWindow::ShowAtStart() {
  const bool shown = RunHandler(platform_, [this] { model_.FormShow(); });
  FieldsChanged();
  if (!RestoreBounds()) {
    CentreOnScreen(*this);
  }
  show();
  return shown;
}

bool MainWindow::RestoreBounds() {
  const std::optional<WindowBounds> bounds = ReadWindowBounds(model_.ConfigFilePath);
  if (!bounds) {
    return false;
  }
  const QRect stored(bounds->Left, bounds->Top, bounds->Width, bounds->Height);
  // A screen taken away since (or a hand-edited value) must not leave the window out of
  // reach: its title must lie on a screen.
  if (QGuiApplication::screenAt(QPoint(stored.center().x(), stored.top() + 10)) == nullptr) {
    return false;
  }
  resize(stored.size().expandedTo(minimumSizeHint()));
  move(stored.topLeft());
  if (bounds->Maximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }
  return true;
}

void MainWindow::SaveBounds() {
  const bool maximized = isMaximized();
  const QRect frame(maximized ? normalGeometry().topLeft() : pos(),
                    maximized ? normalGeometry().size() : size());
  try {
    WriteWindowBounds(model_.ConfigFilePath,
                      {frame.left(), frame.top(), frame.width(), frame.height(), maximized});
  } catch (const AppError&) {
    // The place of the window is a convenience: a configuration that cannot be written
    // (a read-only program folder) must not hold up the end of the program.
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!model_.ConfigFilePath.empty()) {
    SaveBounds();
  }
  QMainWindow::closeEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Enter presses the button that has the focus; Enter that no other control took (in a
  // field, say) presses the default button, as in a dialog.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
    (focused != nullptr ? focused : &bitBtn1_)->animateClick();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &edit5_ && watched != &editZoomTo_) {
    return QMainWindow::eventFilter(watched, event);
  }
  QLineEdit& box = watched == &edit5_ ? edit5_ : editZoomTo_;
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      StepZoom(box, key == Qt::Key_Up);
      return true;
    }
  }
  if (event->type() == QEvent::Wheel) {
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (delta != 0) {
      StepZoom(box, delta > 0);
    }
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::StepZoom(QLineEdit& box, bool up) {
  if (&box == &editZoomTo_) {
    if (editZoomTo_.text() != ToQt(std::to_string(LastZoomOf(
                                  {model_.Edit5, model_.UpDown1Position, model_.EditZoomTo,
                                   model_.UpDownZoomToPosition, {}})))) {
      Run(&TForm1::EditZoomToExit);
    }
    Run(up ? &TForm1::UpDownZoomToUp : &TForm1::UpDownZoomToDown);
    return;
  }
  // A zoom typed and not yet taken is taken first, so the step starts from it.
  if (edit5_.text() != ToQt(std::to_string(model_.UpDown1Position))) {
    Run(&TForm1::Edit5Exit);
  }
  Run(up ? &TForm1::UpDown1Up : &TForm1::UpDown1Down);
}

void MainWindow::LogLinesAppended(std::size_t first) {
  for (std::size_t i = first; i < model_.Memo1.size(); ++i) {
    memo1_.AppendLine(model_.Memo1[i]);
  }
}

void MainWindow::LogReplaced() {
  memo1_.ReplaceLines(model_.Memo1);
}

void MainWindow::FailedLinesAppended(std::size_t first) {
  for (std::size_t i = first; i < model_.Memo2.size(); ++i) {
    memo2_.AppendLine(model_.Memo2[i]);
  }
}

void MainWindow::FailedReplaced() {
  memo2_.ReplaceLines(model_.Memo2);
}

void MainWindow::FieldsChanged() {
  // Only changed texts are set, so the caret of a field being typed in stays put.
  const auto show = [](QLineEdit& edit, const std::string& text) {
    const QString shown = ToQt(text);
    if (edit.text() != shown) {
      edit.setText(shown);
      edit.setCursorPosition(0);  // a long path shows its beginning, as typed ones do
    }
  };
  setWindowTitle(ToQt(model_.Caption));
  show(editTaskName_, model_.EditTaskName);
  show(edit1_, model_.Edit1);
  show(edit3_, model_.Edit3);
  show(edit2_, model_.Edit2);
  show(edit4_, model_.Edit4);
  show(edit5_, model_.Edit5);
  show(edit6_, model_.Edit6);
  show(editCorridor_, model_.EditCorridor);
  ShowArea();
  upDown1_.ShowPosition(model_.UpDown1Position);
  show(editZoomTo_, model_.EditZoomTo);
  upDownZoomTo_.ShowPosition(model_.UpDownZoomToPosition.value_or(model_.UpDown1Position));
  labelEstimate_.setText(ToQt(model_.LabelEstimate));
  // During a run the progress rows take its place, so the window keeps its height.
  labelEstimate_.setVisible(model_.BitBtn1Caption == "Start" && !model_.LabelEstimate.empty());
  labelEstimate_.setToolTip(ToQt(model_.LabelEstimateHint));
  EstimateInputsMayHaveChanged();
  labelTotalxy_.setText(ToQt(model_.LabelTotalxy));
  // Empty before the first run: it takes no room between the rows and Start.
  labelTotalxy_.setVisible(!model_.LabelTotalxy.empty());
  statusText_.setText(ToQt(model_.StatusBar1));
  bitBtn1_.setText(ToQt(model_.BitBtn1Caption));
  if (comboBoxMapsType_.count() != static_cast<int>(model_.ComboBoxMapsTypeItems.size())) {
    MapSourcesChanged();
  }
  comboBoxMapsType_.setCurrentIndex(model_.ComboBoxMapsTypeItemIndex);
}

void MainWindow::MapSourcesChanged() {
  comboBoxMapsType_.clear();
  for (const std::string& name : model_.ComboBoxMapsTypeItems) {
    comboBoxMapsType_.addItem(ToQt(name));
  }
  comboBoxMapsType_.setCurrentIndex(model_.ComboBoxMapsTypeItemIndex);
}

void MainWindow::TimerChanged(bool enabled) {
  if (!enabled) {
    timer1_.stop();
    return;
  }
  timer1_.start(model_.Timer1RealInterval());
}

void MainWindow::ProgressChanged() {
  ShowProgress();
}

void MainWindow::ShowProgress() {
  const RunProgress& progress = model_.Progress;
  // Nothing to show before the first run.
  const bool known = progress.TotalCount > 0;
  progressBar1_.setVisible(known);
  labelProgress_.setVisible(known);
  progressBar1_.setRange(0, std::max(progress.TotalCount, 1));
  progressBar1_.setValue(std::min(progress.SettledCount, std::max(progress.TotalCount, 1)));
  progressBar1_.setFormat(ToQt(ProgressBarText(progress)));
  labelProgress_.setText(ToQt(ProgressDetailText(progress)));
}

void MainWindow::CloseRequested() {
  close();
}

}  // namespace kartovel::gui
