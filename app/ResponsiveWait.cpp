#include "ResponsiveWait.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWidget>
#include <thread>

#include "BlockingWait.h"

namespace velkor {
namespace {

// What an operator does: none of it may reach the window while a request is in flight.
bool isOperatorInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

ResponsiveWait::ResponsiveWait(QWidget& window) : window_(&window) {
  setBlockingWaiter([this](const std::function<void()>& work) { run(work); });
}

ResponsiveWait::~ResponsiveWait() { setBlockingWaiter(nullptr); }

void ResponsiveWait::run(const std::function<void()>& work) {
  // A wait within a wait (a message box's own loop never sends one) runs in place.
  if (waiting_) {
    work();
    return;
  }
  waiting_ = true;
  qApp->installEventFilter(this);
  QEventLoop loop;
  std::thread worker([&] {
    work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  qApp->removeEventFilter(this);
  waiting_ = false;
  if (closeRequested_ && window_ != nullptr) {
    closeRequested_ = false;
    window_->close();
  }
}

bool ResponsiveWait::eventFilter(QObject* watched, QEvent* event) {
  if (isOperatorInput(event->type())) return true;
  if (event->type() == QEvent::Close && watched == window_) {
    // Closed once the exchange has ended: the record and the handle stay until then.
    closeRequested_ = true;
    event->ignore();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace velkor
