// What a screen reader and a keyboard user get: every control a person can use says
// what it is, tabs say which is open, lists and fields are tied to their labels, and
// the window's menu opens from the keyboard.

#include <QAbstractSlider>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <map>

#include "AppFixture.h"
#include "PageFrame.h"

namespace velkor::test {
namespace {

QAccessibleInterface* accessible(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); }

// The text of the label a screen reader reads with the control.
QString labelOf(QWidget* control) {
  const auto labels = accessible(control)->relations(QAccessible::Label);
  return labels.empty() ? QString() : labels.front().first->text(QAccessible::Name);
}

// What a screen reader says a control is. Qt names a list on Linux by its current item
// and lets the labelled-by relation name it, as AT-SPI readers expect.
QString nameOf(QWidget* widget) {
  if (qobject_cast<QComboBox*>(widget) != nullptr) return labelOf(widget);
  QAccessibleInterface* face = accessible(widget);
  return face != nullptr ? face->text(QAccessible::Name) : QString();
}

// The controls shown under `root` that a person can act on or read a value from.
std::vector<QWidget*> usableControls(QWidget* root) {
  std::vector<QWidget*> found;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    const bool usable = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                        qobject_cast<QAbstractSlider*>(w) || qobject_cast<QLineEdit*>(w);
    if (usable && w->isVisibleTo(root)) found.push_back(w);
  }
  return found;
}

class Accessibility : public AppFixture {
 protected:
  void SetUp() override {
    addThreeConverters();
    openWindow();
  }

  // No control shown without a name; the names of `expected` (by control id) as given.
  void expectNames(const std::map<int, QString>& expected) {
    for (QWidget* control : usableControls(window.get()))
      EXPECT_FALSE(nameOf(control).isEmpty()) << "unnamed: " << control->objectName().toStdString() << " "
                                              << control->metaObject()->className();
    for (const auto& [id, name] : expected) {
      QWidget* control = window->findChild<QWidget*>(QString::number(id));
      ASSERT_NE(control, nullptr) << id;
      EXPECT_EQ(nameOf(control), name) << id;
    }
  }

  QString labelOf(int id) { return test::labelOf(window->findChild<QWidget*>(QString::number(id))); }

  void openTab(int id) { QTest::mouseClick(control<CButtonST>(window->panel(), id), Qt::LeftButton); }
  // As a screen reader opens it: the tab's first action (a toggle), no click.
  void openTabByItsAction(int id) {
    QAccessibleActionInterface* actions = accessible(control<QWidget>(window->panel(), id))->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_FALSE(actions->actionNames().isEmpty());
    actions->doAction(actions->actionNames().first());
  }
  bool tabChecked(int id) { return accessible(control<QWidget>(window->panel(), id))->state().checked; }
};

TEST_F(Accessibility, EveryViewNamesItsControls) {
  expectNames({{1001, "Minimise"}, {1002, "Close"}, {1003, "Scan for converters"}});
  EXPECT_EQ(accessible(window.get())->text(QAccessible::Description), "No device connected");

  scan();
  expectNames({{1201, "TQ4410 /dev/hidraw0"}, {1203, "TQ6630 /dev/hidraw2"}});

  // Model, then page: the pages' names, spelt right where the label is not.
  choose(1);
  expectNames({{1201, "TQ4410 Alpha"}, {1016, "Status"}, {1022, "Custom Name"}, {1035, "SDI Input Status"}});
  EXPECT_TRUE(accessible(window.get())->text(QAccessible::Description).isEmpty());
  const std::vector<std::pair<int, std::map<int, QString>>> pagesA = {
      {1017, {{1024, "Output Format"}, {1029, "AV Output Type"}}},
      {1018, {{1031, "AES/EBU & Analog Audio from"}, {1062, "SDI Channel 1-8"}, {1065, "Analog Audio"}}},
      {1019, {{1033, "Overlays Enable"}, {1051, "Horizontal Margin"}, {1055, "Horizontal Margin"}}},
      {1020, {{1053, "Setting"}, {1055, "Save Settings"}}},
  };
  for (const auto& [tab, names] : pagesA) {
    SCOPED_TRACE(tab);
    openTab(tab);
    expectNames(names);
    EXPECT_TRUE(tabChecked(tab));
    EXPECT_FALSE(tabChecked(1016));
  }

  choose(3);
  expectNames({{1203, "TQ6630 Charlie"}, {1023, "Status"}, {1079, "Input Source Format"}});
  const std::vector<std::pair<int, std::map<int, QString>>> pagesB = {
      {1072, {{1085, "Output Format"}, {1086, "SDI Output Source from"}}},
      {1073, {{1033, "Image Flip"}, {1090, "Vertical Margin"}}},
      {1074, {{1094, "Setting"}}},
  };
  for (const auto& [tab, names] : pagesB) {
    SCOPED_TRACE(tab);
    openTabByItsAction(tab);
    expectNames(names);
  }
}

TEST_F(Accessibility, ListsAndFieldsAreReadWithTheirLabels) {
  scan();
  choose(1);
  EXPECT_EQ(labelOf(1035), "SDI Input Status");
  openTab(1017);
  EXPECT_EQ(labelOf(1024), "Output Format");
  openTab(1019);
  EXPECT_EQ(labelOf(1051), "Horizonal Margin") << "the label reads as it is shown";
}

TEST_F(Accessibility, TheMenuKeyAndShiftF10OpenTheWindowsMenu) {
  scan();
  for (const QKeyCombination key : {QKeyCombination(Qt::Key_Menu), QKeyCombination(Qt::ShiftModifier, Qt::Key_F10)}) {
    QStringList shown;
    QTimer::singleShot(0, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (const QAction* action : menu->actions()) shown << action->text();
        menu->close();
      }
    });
    deviceButton(1)->setFocus();
    QTest::keyClick(deviceButton(1), key.key(), key.keyboardModifiers());
    EXPECT_EQ(shown.size(), 1) << key.toCombined();
  }
}

}  // namespace
}  // namespace velkor::test
