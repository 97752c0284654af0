#include "gui/parse_address_window.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/qt_text.h"

namespace vqb::gui {
namespace {

const char* const kStyle = R"(
#Pic1 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1f4e8c, stop:1 #2d6cb5); }
#Pic1 QLabel { color: #ffffff; background: transparent; }
#lblTitle { font-size: 13pt; font-weight: 600; }
#lblHeading { color: #dbe7f6; }
)";

QLabel* plain_label(QWidget* parent, const QString& name, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

ParseAddressWindow::ParseAddressWindow(App& app, QWidget* parent) : QDialog(parent), logic_(app) {
  setObjectName("frmParseAddress");
  setWindowTitle(QString::fromUtf8(ParseAddressLogic::kCaption));
  setStyleSheet(QString::fromLatin1(kStyle));

  auto* panel = new QWidget(this);
  panel->setObjectName("Pic1");
  panel->setAttribute(Qt::WA_StyledBackground);
  auto* texts = new QVBoxLayout(panel);
  texts->setContentsMargins(16, 12, 16, 12);
  texts->setSpacing(4);
  texts->addWidget(plain_label(panel, "lblTitle", ParseAddressLogic::kTitle));
  texts->addWidget(plain_label(panel, "lblHeading", ParseAddressLogic::kHeading));

  main_ = new QPlainTextEdit(this);
  main_->setObjectName("txtMain");
  main_->setReadOnly(true);
  main_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  main_->setLineWrapMode(QPlainTextEdit::NoWrap);
  main_->setFixedHeight(QFontMetrics(main_->font()).lineSpacing() * 6 + 12);

  auto* instruction = plain_label(this, "lblInstruction", ParseAddressLogic::kInstruction);
  instruction->setWordWrap(true);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(6);
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    const QString number = QString::number(i + 1);
    auto* label = plain_label(this, "lbl" + number, ParseAddressLogic::kLabels[i]);
    auto* box = new QLineEdit(this);
    box->setObjectName("txt" + number);
    box->setMaxLength(static_cast<int>(ParseAddressLogic::kMaxLengths[i]));
    // Wide enough for a full line; the short fields get less.
    box->setMinimumWidth(QFontMetrics(box->font()).averageCharWidth() *
                             static_cast<int>(ParseAddressLogic::kMaxLengths[i]) +
                         16);
    label->setBuddy(box);
    const int row = static_cast<int>(i);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1, Qt::AlignLeft);
    boxes_[i] = box;
  }
  grid->setColumnStretch(1, 1);

  auto* update = new QPushButton(QString::fromUtf8(ParseAddressLogic::kUpdateCaption), this);
  auto* cancel = new QPushButton(QString::fromUtf8(ParseAddressLogic::kCancelCaption), this);
  auto* help = new QPushButton(QString::fromUtf8(ParseAddressLogic::kHelpCaption), this);
  update->setObjectName("cmdUpdate");
  cancel->setObjectName("cmdCancel");
  help->setObjectName("cmdHelp");
  update->setDefault(true);
  connect(update, &QPushButton::clicked, this, &ParseAddressWindow::update);
  connect(cancel, &QPushButton::clicked, this, &ParseAddressWindow::reject);
  connect(help, &QPushButton::clicked, this, [this] { logic_.cmdHelp_Click(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(help);
  buttons->addStretch(1);
  buttons->addWidget(update);
  buttons->addWidget(cancel);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(16, 12, 16, 12);
  body->setSpacing(10);
  body->addWidget(main_);
  body->addWidget(instruction);
  body->addLayout(grid);
  body->addSpacing(4);
  body->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel);
  layout->addLayout(body, 1);
  setMinimumWidth(520);

  logic_.Form_Load();
  main_->setPlainText(display_lines(logic_.txtMain));
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    boxes_[i]->setText(QString::fromStdString(logic_.txt[i]));
  boxes_[0]->setFocus();
}

void ParseAddressWindow::showModal(App& app, QWidget* parent, const std::string&) {
  // A dialog with a parent opens centred on it.
  ParseAddressWindow window(app, parent ? parent->window() : nullptr);
  window.exec();
}

void ParseAddressWindow::update() {
  for (std::size_t i = 0; i < boxes_.size(); ++i) logic_.txt[i] = boxes_[i]->text().toStdString();
  if (logic_.cmdUpdate_Click()) {
    accept();
    return;
  }
  if (const int focus = logic_.focusBox(); focus >= 0 && focus < static_cast<int>(boxes_.size())) {
    QLineEdit* target = boxes_[static_cast<std::size_t>(focus)];
    target->setFocus();
    target->selectAll();
  }
}

void ParseAddressWindow::reject() {
  logic_.cmdCancel_Click();
  QDialog::reject();
}

}  // namespace vqb::gui
