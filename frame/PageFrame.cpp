#include "PageFrame.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "PageHost.h"
#include "Log.h"
#include "SkinImages.h"
#include "SkinPalette.h"

namespace velkor {

PageFrame::PageFrame(const char* endLine, std::span<const ControlSpec> controls, Colours colours,
                     std::span<const ControlName> names)
    : endLine_(endLine), controls_(controls), names_(names), colours_(colours) {
  // Enter is taken away before any control of the page sees it, popups included.
  qApp->installEventFilter(this);
}

PageFrame::~PageFrame() {
  qApp->removeEventFilter(this);
  logLine("%s", endLine_);
}

void PageFrame::create(QWidget* container) {
  setParent(container);
  setGeometry(0, 0, kWidth, kHeight);
  buildFromTemplate(this, controls_);
  // A list or slider takes the wheel only once the operator has picked it: a wheel
  // turned while the pointer passes over a page must not change a live setting.
  for (QWidget* control : findChildren<QWidget*>())
    if (takesWheelOnlyWithFocus(control)) control->setFocusPolicy(Qt::StrongFocus);
  if (colours_ == Colours::SettingPage) applyColours();
  nameControls(*this, names_);
  initialise();
}

void PageFrame::destroyPage() {
  hide();
  delete this;
}

DeviceRecord& PageFrame::record() { return mainDialog->record(); }

void PageFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), skinImage(skin::PageBackground, devicePixelRatioF()));
}

// Escape inside a page does nothing: it neither closes nor hides the page.
void PageFrame::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool PageFrame::takesWheelOnlyWithFocus(const QWidget* control) {
  return qobject_cast<const QComboBox*>(control) != nullptr || qobject_cast<const QAbstractSlider*>(control) != nullptr;
}

bool PageFrame::isOwnWidget(QObject* object) const {
  for (QObject* o = object; o != nullptr; o = o->parent())
    if (o == this) return true;
  return false;
}

bool PageFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && isOwnWidget(watched)) {
    const auto* control = qobject_cast<QWidget*>(watched);
    if (control != nullptr && takesWheelOnlyWithFocus(control) && !control->hasFocus()) return true;
  }
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // In an open drop-down list Enter picks the highlighted item and closes the list,
    // as on every desktop; it presses no button there either.
    QWidget* popup = QApplication::activePopupWidget();
    const bool inOpenList = popup != nullptr && isOwnWidget(popup);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !inOpenList && isOwnWidget(watched)) {
      if (event->type() == QEvent::KeyPress) enterSwallowed(watched);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PageFrame::applyColours() {
  QPalette labels = palette();
  labels.setColor(QPalette::WindowText, palette::MutedText);
  labels.setColor(QPalette::Window, palette::Base);
  labels.setColor(QPalette::Base, palette::White);
  labels.setColor(QPalette::Text, palette::FieldText);
  setPalette(labels);
  // A list's drop-down part is a window of its own, which takes no colours from the
  // page, and the style draws it as a menu unless it has a plain item delegate.
  for (QComboBox* list : findChildren<QComboBox*>()) {
    list->setItemDelegate(new QStyledItemDelegate(list));
    QPalette dropDown = list->view()->palette();
    dropDown.setColor(QPalette::Base, palette::White);
    dropDown.setColor(QPalette::Text, palette::FieldText);
    list->view()->setPalette(dropDown);
  }
}

}  // namespace velkor
