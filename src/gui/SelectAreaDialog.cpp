// The area window's widgets, their layout and their binding to the model.
#include "gui/SelectAreaDialog.h"

#include <QFileInfo>
#include <QKeyEvent>

#include "app/HandlerGuard.h"
#include "common/FileSystem.h"
#include "tiles/ViewerTask.h"
#include "geometry/WebTileGrid.h"
#include "gui/WidgetText.h"
#include "map/SampledTileSize.h"

namespace kartovel::gui {
namespace {

constexpr int kWindowWidth = 900;
constexpr int kWindowHeight = 660;
// The whole world in at least one 256-pixel tile; no deeper than a few pixels per metre.
constexpr double kFinestMetresPerPixel = 0.05;
// How long the area must stay still before its sample tiles are fetched: a drag asks for
// nothing until it rests.
constexpr int kWeighAfterMs = 700;

}  // namespace

SelectAreaDialog::SelectAreaDialog(TfrmSelectArea& model, Platform& platform,
                                   std::shared_ptr<TileDiskCache> cache,
                                   HttpClientFactory makeClient, QWidget* parent)
    : QDialog(parent),
      model_(model),
      platform_(platform),
      layout_(this),
      canvas_(this),
      labelLeft_(tr("Left Longitude:"), this),
      valueLeft_(this),
      labelRight_(tr("Right Longitude:"), this),
      valueRight_(this),
      labelTop_(tr("Top Latitude:"), this),
      valueTop_(this),
      labelBottom_(tr("Bottom Latitude:"), this),
      valueBottom_(this),
      labelEstimate_(this),
      labelCost_(this),
      labelTint_(this),
      labelCache_(this),
      buttonDraw_(tr("&Draw"), this),
      buttonPolygon_(tr("&Polygon"), this),
      labelHint_(this),
      buttonOK_(tr("OK"), this),
      buttonCancel_(tr("Cancel"), this),
      cache_(std::move(cache)),
      tiles_(std::make_unique<mapcanvas::WebTilesLayer>(model.Source(), cache_, makeClient,
                                                        canvas_)),
      sizes_(std::make_unique<BackgroundTileSizes>(
          [source = model.Source(), makeClient, cache = cache_](std::stop_token stop) mutable {
            source.Request.Stop = std::move(stop);  // closing the window ends a fetch at once
            return SampledTileSize(std::move(source), std::move(makeClient), std::move(cache));
          },
          [this] {
            QMetaObject::invokeMethod(this, [this] { TileSizesArrived(); }, Qt::QueuedConnection);
          })) {
  NameControls();
  BuildLayout();
  canvas_.AddLayer(*tiles_);
  canvas_.AddLayer(tint_);
  canvas_.AddLayer(tool_);
  canvas_.AddLayer(polygonTool_);
  canvas_.SetTool(&tool_);
  canvas_.installEventFilter(this);
  polygonTool_.onChanged = [this](const std::vector<GeoPoint>& corners, bool closed) {
    RunHandler(platform_, [this, &corners, closed] { model_.SetPolygon(corners, closed); });
    ShowFields();
    canvas_.update();
  };
  // The rectangle stays the tool a window opens with; Polygon switches to clicked corners.
  connect(&buttonPolygon_, &QPushButton::toggled, this, [this](bool on) {
    canvas_.SetTool(on ? static_cast<mapcanvas::MapTool*>(&polygonTool_) : &tool_);
    buttonDraw_.setEnabled(!on);
    // Only the area being drawn is shown: the rectangle comes back with the rectangle tool.
    tool_.SetArea(on ? std::nullopt : model_.Area);
    labelHint_.setText(on ? tr("Click the corners; click the first one or press Enter to "
                               "close, Backspace removes the last.")
                          : tr("Shift-drag draws the area; drag its edges to change it."));
    if (!on) {
      polygonTool_.Clear();
    }
    canvas_.update();
  });
  const double worldSide = 2 * tools::WorldHalfSide();
  canvas_.SetScaleLimits(kFinestMetresPerPixel, worldSide / tools::kGridTilePixels);
  canvas_.SetCentreBounds(tools::WorldRect());
  tool_.onAreaChanged = [this](const GeoArea& area) { AreaChanged(area); };
  tool_.onDrawn = [this] { buttonDraw_.setChecked(false); };
  connect(&buttonDraw_, &QPushButton::toggled, this, [this](bool on) { tool_.SetDrawing(on); });
  connect(&buttonOK_, &QPushButton::clicked, this, [this] { Accept(); });
  connect(&buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
  resize(kWindowWidth, kWindowHeight);
}

SelectAreaDialog::~SelectAreaDialog() {
  model_.SetTileSizes({});  // the sampler goes with the window; the model may stay
}

void SelectAreaDialog::NameControls() {
  setObjectName("frmSelectArea");
  canvas_.setObjectName("MapCanvas");
  canvas_.setAccessibleName(tr("Map"));
  canvas_.setAccessibleDescription(
      tr("Shift-drag draws the area; drag its edges to change it. Arrow keys pan, + and - "
         "zoom."));
  const std::pair<QLabel*, QLabel*> values[] = {{&labelLeft_, &valueLeft_},
                                                {&labelRight_, &valueRight_},
                                                {&labelTop_, &valueTop_},
                                                {&labelBottom_, &valueBottom_}};
  const char* names[] = {"LabelLeft", "LabelRight", "LabelTop", "LabelBottom"};
  for (std::size_t i = 0; i < std::size(values); ++i) {
    values[i].second->setObjectName(names[i]);
    values[i].second->setAccessibleName(values[i].first->text().chopped(1));
    values[i].second->setTextInteractionFlags(Qt::TextSelectableByMouse);
    values[i].second->setMinimumWidth(
        values[i].second->fontMetrics().horizontalAdvance(QStringLiteral("-180.000000  ")));
  }
  labelEstimate_.setObjectName("LabelEstimate");
  labelEstimate_.setAccessibleName(tr("Tiles and download time"));
  labelCost_.setObjectName("LabelCost");
  labelCost_.setAccessibleName(tr("Size and free space"));
  labelCost_.setTextInteractionFlags(Qt::TextSelectableByMouse);
  // One line whose text never moves the map: its height stays, a long folder is cut
  // (the whole line is the tooltip).
  labelCost_.setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  labelCost_.setFixedHeight(labelCost_.fontMetrics().height());
  weighTimer_.setSingleShot(true);
  weighTimer_.setInterval(kWeighAfterMs);
  connect(&weighTimer_, &QTimer::timeout, this, [this] {
    RunHandler(platform_, [this] { model_.WeighCost(); });
    ShowCost();
  });
  labelTint_.setObjectName("LabelTint");
  labelTint_.setTextFormat(Qt::RichText);
  labelCache_.setObjectName("LabelCache");
  labelCache_.setAccessibleName(tr("Tile cache"));
  labelCache_.setWordWrap(true);
  labelCache_.setTextInteractionFlags(Qt::TextSelectableByMouse);
  buttonDraw_.setObjectName("ButtonDraw");
  buttonDraw_.setCheckable(true);
  buttonDraw_.setAccessibleName(tr("Draw"));
  buttonDraw_.setToolTip(tr("On: a drag on the map draws the area (as with Shift held)"));
  buttonPolygon_.setObjectName("ButtonPolygon");
  buttonPolygon_.setCheckable(true);
  buttonPolygon_.setAccessibleName(tr("Polygon"));
  buttonPolygon_.setToolTip(
      tr("On: click the corners of a polygon; click the first corner or press Enter to close "
         "it, Backspace removes the last, drag a corner to move it"));
  labelHint_.setObjectName("LabelHint");
  labelHint_.setWordWrap(true);
  labelHint_.setText(tr("Shift-drag draws the area; drag its edges to change it."));
  buttonOK_.setObjectName("ButtonOK");
  buttonOK_.setDefault(true);
  buttonCancel_.setObjectName("ButtonCancel");
}

void SelectAreaDialog::BuildLayout() {
  fields_.setHorizontalSpacing(8);
  fields_.addWidget(&labelLeft_, 0, 0);
  fields_.addWidget(&valueLeft_, 0, 1);
  fields_.addWidget(&labelRight_, 0, 2);
  fields_.addWidget(&valueRight_, 0, 3);
  fields_.addWidget(&labelTop_, 1, 0);
  fields_.addWidget(&valueTop_, 1, 1);
  fields_.addWidget(&labelBottom_, 1, 2);
  fields_.addWidget(&valueBottom_, 1, 3);
  fields_.setColumnStretch(4, 1);
  buttons_.addWidget(&buttonDraw_);
  buttons_.addWidget(&buttonPolygon_);
  buttons_.addWidget(&labelHint_, 1);
  buttons_.addWidget(&buttonOK_);
  buttons_.addWidget(&buttonCancel_);
  layout_.setContentsMargins(8, 8, 8, 8);
  layout_.addWidget(&canvas_, 1);
  layout_.addLayout(&fields_);
  layout_.addWidget(&labelEstimate_);
  layout_.addWidget(&labelCost_);
  layout_.addWidget(&labelTint_);
  layout_.addWidget(&labelCache_);
  layout_.addLayout(&buttons_);
  setTabOrder(&canvas_, &buttonDraw_);
  setTabOrder(&buttonDraw_, &buttonPolygon_);
  setTabOrder(&buttonPolygon_, &buttonOK_);
  setTabOrder(&buttonOK_, &buttonCancel_);
}

void SelectAreaDialog::Prepare() {
  RunHandler(platform_, [this] {
    model_.FormShow();
    model_.SetTileSizes({[this](const TileId& tile) { return sizes_->Lookup(tile); },
                         [this](const std::vector<TileId>& tiles) { sizes_->Want(tiles); }});
  });
  setWindowTitle(ToQt(model_.Caption));
  if (!model_.Source().FetchRefusal.empty()) {
    // The map stays pale; say why rather than leave the user guessing.
    labelHint_.setText(tr("No map tiles: %1 Shift-drag still draws the area.")
                           .arg(ToQt(model_.Source().FetchRefusal)));
  }
  tool_.SetArea(model_.Area);
  ShowTint();
  ShowCacheState();
  ShowFields();
  fitPending_ = true;
}

void SelectAreaDialog::Open() {
  Prepare();
  show();
}

bool SelectAreaDialog::ShowModal() {
  Prepare();
  return exec() == QDialog::Accepted;
}

void SelectAreaDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!fitPending_) {
    return;
  }
  // The canvas has its size now: the view can take in the area or the world.
  fitPending_ = false;
  canvas_.FitTo(model_.Area ? AreaTool::MapRectOf(*model_.Area) : tools::WorldRect());
  if (model_.Area) {
    canvas_.ZoomBy(0.8);  // some of the surroundings too
  }
  canvas_.setFocus();
}

bool SelectAreaDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &canvas_ && event->type() == QEvent::KeyPress && buttonPolygon_.isChecked() &&
      polygonTool_.Key(static_cast<QKeyEvent*>(event)->key())) {
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SelectAreaDialog::ShowTint() {
  labelTint_.hide();
  const std::string& taskFile = model_.DownloadedTaskFile;
  if (taskFile.empty() || !FileExists(taskFile)) {
    return;
  }
  try {
    tint_.SetTask(tools::LoadViewerTask(taskFile, platform_.ProgramFolder()));
  } catch (const std::exception&) {
    return;  // a task without its tile list: nothing is known to be downloaded
  }
  if (tint_.HasTint()) {
    const auto square = [](tools::TileStatus status) {
      return QStringLiteral("<span style=\"color:%1\">&#9632;</span>")
          .arg(mapcanvas::TaskTintLayer::TintColour(status).name());
    };
    // One pass, so that a "%" in the task's name stays as it is.
    labelTint_.setText(tr("%1 Tiles of %2 already downloaded &nbsp; %3 blank substitutes")
                           .arg(square(tools::TileStatus::Present),
                                QFileInfo(ToQt(taskFile)).fileName().toHtmlEscaped(),
                                square(tools::TileStatus::Blank)));
    labelTint_.show();
  }
}

void SelectAreaDialog::ShowCacheState() {
  // One line, so that a user who finds the map slow to fill each time knows why; the
  // reason names the folder and what is wrong with it.
  const std::string reason = cache_ ? cache_->OffReason() : std::string();
  labelCache_.setText(ToQt(reason));
  labelCache_.setVisible(!reason.empty());
}

void SelectAreaDialog::ShowFields() {
  valueLeft_.setText(ToQt(model_.LeftText));
  valueRight_.setText(ToQt(model_.RightText));
  valueTop_.setText(ToQt(model_.TopText));
  valueBottom_.setText(ToQt(model_.BottomText));
  QString estimate = ToQt(model_.LabelEstimate);
  if ((model_.Area || model_.PolygonClosed) && model_.Zoom && model_.ButtonOKEnabled) {
    estimate = tr("At zoom %1: %2").arg(*model_.Zoom).arg(estimate);
  }
  labelEstimate_.setText(estimate);
  ShowCost();
  weighTimer_.start();
  buttonOK_.setEnabled(model_.ButtonOKEnabled);
}

void SelectAreaDialog::AreaChanged(const GeoArea& area) {
  RunHandler(platform_, [this, &area] { model_.SetArea(area); });
  ShowFields();
}

void SelectAreaDialog::TileSizesArrived() {
  RunHandler(platform_, [this] { model_.RefreshCost(); });
  ShowCost();
}

void SelectAreaDialog::ShowCost() {
  labelCost_.setText(ToQt(model_.LabelCost));
  labelCost_.setToolTip(labelCost_.text());
}

void SelectAreaDialog::Accept() {
  if (RunHandler(platform_, [this] { model_.ButtonOKClick(); })) {
    accept();
  }
}

}  // namespace kartovel::gui
