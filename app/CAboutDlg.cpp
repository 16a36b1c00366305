#include "CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "DialogTemplate.h"
#include "SkinImages.h"

namespace velkor {

namespace {

constexpr int kOkId = 1;

constexpr ControlSpec kTemplate[] = {
    {.kind = ControlKind::StaticText,
     .id = NoControlId,
     .caption = "Corvane，1.0 版",
     .x = 42,
     .y = 14,
     .width = 114,
     .height = 8},
    {.kind = ControlKind::PushButton, .id = kOkId, .caption = "确定", .x = 113, .y = 41, .width = 50, .height = 14},
};

constexpr QSize kSize{255, 100};
constexpr QRect kIconPlace{16, 28, 32, 32};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("关于 Corvane");
  setFixedSize(kSize);
  buildFromTemplate(this, kTemplate);
  auto* icon = new QLabel(this);
  icon->setPixmap(applicationIcon().pixmap(kIconPlace.size()));
  icon->setGeometry(kIconPlace);
  connect(findChild<QPushButton*>(QString::number(kOkId)), &QPushButton::clicked, this, &QDialog::accept);
}

QString CAboutDlg::menuText() { return "关于 Corvane(&A)..."; }

}  // namespace velkor
