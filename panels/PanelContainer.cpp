#include "PanelContainer.h"

#include <QKeyEvent>
#include <QPainter>

#include "CButtonST.h"
#include "Log.h"
#include "PageFrame.h"
#include "SkinImages.h"

namespace velkor {

namespace {
constexpr int kTabLeft = 60;
constexpr int kTabTop = 32;
constexpr int kTabWidth = 100;
constexpr int kTabHeight = 65;
constexpr QRect kPageArea{60, 140, PageFrame::kWidth, PageFrame::kHeight};
}  // namespace

PanelContainer::PanelContainer(QWidget* parent, const Layout& layout)
    : QWidget(parent), layout_(layout), tabSelected_(layout.tabs.size(), false) {
  buildFromTemplate(this, layout_.controls);
  setGeometry(0, 0, kWidth, kHeight);
  // The panel is a window of its own: a press on it or on its pages is not a press on
  // the main window's background, so it never drags the main window.
  setAttribute(Qt::WA_NoMousePropagation);

  for (std::size_t k = 0; k < layout_.tabs.size(); ++k) {
    const Tab& tab = layout_.tabs[k];
    auto* button = new CButtonST(this);
    button->attachToControl(this, tab.buttonId);
    button->useImage(tab.normalImage);
    button->setGeometry(kTabLeft + kTabWidth * static_cast<int>(k), kTabTop, kTabWidth, kTabHeight);
    button->enableParentBackground();
    button->setFlatLook(true);
    button->setHoverEdge(false);
    // A screen reader says which page a tab opens and whether it is the one open.
    button->setAccessibleName(QString::fromUtf8(tab.name));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    const int btnIndex = static_cast<int>(k) + 1;
    // A click opens its page once the tab has been drawn released, as it always has. A
    // screen reader's toggle action checks the tab with no press and no click: then the
    // toggle itself opens the page.
    connect(button, &QPushButton::clicked, this, [this, btnIndex] { SelectTab(btnIndex); });
    connect(button, &QPushButton::pressed, this, [this] { tabPressed_ = true; });
    connect(button, &QPushButton::released, this, [this] { tabPressed_ = false; });
    connect(button, &QPushButton::toggled, this, [this, btnIndex](bool checked) {
      if (checked && !tabPressed_) SelectTab(btnIndex);
    });
    tabButtons_.push_back(button);
  }

  QWidget* placeholder = findChild<QWidget*>(QString::number(layout_.pagePlaceholderId));
  if (placeholder != nullptr) {
    placeholder->setGeometry(kPageArea);
    pageRect_ = placeholder->geometry();
  } else {
    pageRect_ = kPageArea;
  }
  SelectTab(1);
}

PanelContainer::~PanelContainer() {
  // The page goes first and leaves its line; the container's own line follows.
  if (curPage_ != nullptr) curPage_->destroyPage();
  logLine("%s", layout_.endLine);
}

void PanelContainer::SelectTab(int btnIndex) {
  if (btnIndex < 1 || btnIndex > static_cast<int>(tabSelected_.size())) return;
  int curIndex = -1;
  for (std::size_t k = 0; k < tabSelected_.size(); ++k) {
    if (tabSelected_[k]) {
      curIndex = static_cast<int>(k) + 1;
      break;
    }
  }
  if (curIndex == btnIndex) return;
  if (curIndex != -1) tabSelected_[curIndex - 1] = false;

  tabSelected_[btnIndex - 1] = true;
  logLine("curIndex = %d \n", curIndex);
  if (curIndex != -1) tabButtons_[curIndex - 1]->useImage(layout_.tabs[curIndex - 1].normalImage);
  if (curPage_ != nullptr) {
    curPage_->destroyPage();
    curPage_ = nullptr;
  }
  logLine("btnIndex is %d \n", btnIndex);

  const Tab& tab = layout_.tabs[btnIndex - 1];
  tabButtons_[btnIndex - 1]->useImage(tab.selectedImage);
  tabButtons_[btnIndex - 1]->setChecked(true);
  curPage_ = tab.createPage();
  curPage_->create(this);
  curPage_->setGeometry(pageRect_);
  curPage_->show();
}

void PanelContainer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), skinImage(skin::PanelBackground, devicePixelRatioF()));
}

// Escape never closes the panel.
void PanelContainer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    logLine("no return \n");
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace velkor
