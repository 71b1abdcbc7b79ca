// The one-command dialog's layout, its modal showing and its closing.
#include "gui/CommandDialog.h"

#include <utility>

#include "app/HandlerGuard.h"
#include "gui/WidgetText.h"

namespace kartovel::gui {

namespace {
constexpr int kClientWidth = 703;
constexpr int kClientHeight = 453;
constexpr int kPanel1Height = 57;
}  // namespace

CommandDialog::CommandDialog(Platform& platform, CommandHandlers handlers, const Texts& texts,
                             QWidget* parent)
    : QDialog(parent),
      platform_(platform),
      handlers_(std::move(handlers)),
      layout_(this),
      panel1_(this),
      panel1Layout_(&panel1_),
      button1_(QString::fromLatin1(texts.ButtonCaption), &panel1_),
      panel2_(this),
      panel2Layout_(&panel2_),
      purpose_(tr(texts.Purpose), &panel2_),
      memo1_(&panel2_) {
  setObjectName(texts.ObjectName);
  setWindowTitle(QString::fromLatin1(texts.Caption));
  panel1_.setObjectName("Panel1");
  panel2_.setObjectName("Panel2");
  button1_.setObjectName("Button1");
  memo1_.setObjectName("Memo1");
  memo1_.setAccessibleName(tr(texts.PaneName));
  panel1_.setFrameShape(QFrame::StyledPanel);
  panel1_.setFixedHeight(kPanel1Height);
  panel1Layout_.setContentsMargins(12, 0, 12, 0);
  panel1Layout_.addWidget(&button1_, 0, Qt::AlignLeft | Qt::AlignVCenter);
  button1_.setMinimumWidth(button1_.sizeHint().width() + 24);
  purpose_.setObjectName("Purpose");
  purpose_.setWordWrap(true);
  purpose_.setContentsMargins(12, 6, 12, 6);
  // A report's line ends say how each line ended: long lines wrap so the ends stay seen.
  memo1_.WrapLongLines();
  panel2Layout_.setContentsMargins(0, 0, 0, 0);
  panel2Layout_.setSpacing(0);
  panel2Layout_.addWidget(&purpose_);
  panel2Layout_.addWidget(&memo1_, 1);
  layout_.setContentsMargins(0, 0, 0, 0);
  layout_.setSpacing(0);
  layout_.addWidget(&panel1_);
  layout_.addWidget(&panel2_, 1);
  connect(&button1_, &QPushButton::clicked, this,
          [this] { RunHandler(platform_, handlers_.Click); });
  setFixedSize(kClientWidth, kClientHeight);
}

void CommandDialog::AddBesideButton(QWidget& widget, Qt::Alignment alignment) {
  panel1Layout_.addSpacing(16);
  panel1Layout_.addWidget(&widget, 1, alignment);
}

void CommandDialog::ShowModal() {
  RunHandler(platform_, handlers_.Show);
  CentreOnScreen(*this);
  exec();
}

void CommandDialog::reject() {
  handlers_.Close();
  QDialog::reject();
}

}  // namespace kartovel::gui
