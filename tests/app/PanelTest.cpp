#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include "AppFixture.h"
#include "PageFrame.h"

namespace velkor::test {
namespace {

class Panels : public AppFixture {
 protected:
  PanelContainer* openPanel(int k) {
    addThreeConverters();
    openWindow();
    scan();
    choose(k);
    log.clear();
    return window->panel();
  }
  CButtonST* tab(int id) { return control<CButtonST>(window->panel(), id); }
};

struct TabCase {
  int device;
  std::vector<int> tabIds;
  std::vector<int> normalImages;
  std::vector<int> selectedImages;
  std::vector<const char*> endLines;
};

TEST_F(Panels, EveryTabBuildsItsPageAndRetiresThePrevious) {
  const TabCase cases[] = {
      {1,
       {1016, 1017, 1018, 1019, 1020},
       {144, 146, 148, 150, 152},
       {145, 147, 149, 151, 153},
       {"PostNcDestroy 4410 status \n", "PostNcDestroy 4410 output \n", "PostNcDestroy 4410 audio \n",
        "PostNcDestroy 4410 overlay \n", "PostNcDestroy 4410 func \n"}},
      {3,
       {1023, 1072, 1073, 1074},
       {144, 146, 150, 152},
       {145, 147, 151, 153},
       {"PostNcDestroy 6630 status \n", "PostNcDestroy 6630 output \n", "PostNcDestroy 6630 overlay \n",
        "PostNcDestroy 6630 func \n"}},
  };
  for (const TabCase& c : cases) {
    SCOPED_TRACE(c.device);
    window.reset();
    transport = VirtualTransport(clock);
    PanelContainer* panel = openPanel(c.device);
    for (std::size_t k = 1; k < c.tabIds.size(); ++k) {
      // The page shown last paints first (its sliders log their positions as they paint).
      QApplication::processEvents();
      log.clear();
      QTest::mouseClick(tab(c.tabIds[k]), Qt::LeftButton);
      const std::string expected = "curIndex = " + std::to_string(k) + " \n" + c.endLines[k - 1] + "btnIndex is " +
                                   std::to_string(k + 1) + " \n";
      EXPECT_TRUE(log.text().starts_with(expected)) << log.text();
      ASSERT_NE(panel->currentPage(), nullptr);
      EXPECT_EQ(panel->currentPage()->geometry(), QRect(60, 140, 500, 360));
      for (std::size_t j = 0; j < c.tabIds.size(); ++j) {
        const int expected = j == k ? c.selectedImages[j] : c.normalImages[j];
        EXPECT_EQ(tab(c.tabIds[j])->grab().toImage().pixel(50, 30), skinImage(expected).pixel(47, 30))
            << "tab " << j + 1 << " while " << k + 1 << " is chosen";
      }
    }
  }
}

TEST_F(Panels, PressingTheChosenTabAgainDoesNothing) {
  PanelContainer* panel = openPanel(1);
  PageFrame* page = panel->currentPage();
  const auto framesBefore = transport.converters()[0]->receivedFrames().size();
  QTest::mouseClick(tab(1016), Qt::LeftButton);
  EXPECT_EQ(panel->currentPage(), page);
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(transport.converters()[0]->receivedFrames().size(), framesBefore);
}

TEST_F(Panels, EscapeOnATabIsTakenAwayAndLogged) {
  openPanel(1);
  tab(1017)->setFocus();
  QTest::keyClick(tab(1017), Qt::Key_Escape);
  EXPECT_EQ(log.text(), "no return \n");
  EXPECT_TRUE(window->isVisible());
  EXPECT_NE(window->panel(), nullptr);
}

TEST_F(Panels, EscapeAndEnterInsideAPageChangeNothing) {
  PanelContainer* panel = openPanel(1);
  QTest::mouseClick(tab(1017), Qt::LeftButton);
  PageFrame* page = panel->currentPage();
  log.clear();
  QTest::keyClick(page, Qt::Key_Escape);
  QTest::keyClick(page, Qt::Key_Return);
  QTest::keyClick(page, Qt::Key_Enter);
  EXPECT_EQ(panel->currentPage(), page);
  EXPECT_TRUE(page->isVisible());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(log.text(), "");
}

TEST_F(Panels, PageBackgroundIsThePlainBaseColour) {
  PanelContainer* panel = openPanel(3);
  QTest::mouseClick(tab(1072), Qt::LeftButton);
  const QImage page = panel->currentPage()->grab().toImage();
  EXPECT_EQ(page.size(), QSize(500, 360));
  EXPECT_EQ(QColor(page.pixel(0, 0)), QColor(46, 49, 54));
  EXPECT_EQ(QColor(page.pixel(499, 359)), QColor(46, 49, 54));
}

TEST_F(Panels, DropDownListsOfTheSettingPagesAreWhiteWithDarkText) {
  const struct {
    int device;
    std::vector<int> tabIds;
  } cases[] = {{1, {1017, 1018, 1019, 1020}}, {3, {1072, 1073, 1074}}};
  for (const auto& c : cases) {
    window.reset();
    transport = VirtualTransport(clock);
    PanelContainer* panel = openPanel(c.device);
    for (const int tabId : c.tabIds) {
      SCOPED_TRACE(tabId);
      QTest::mouseClick(tab(tabId), Qt::LeftButton);
      QComboBox* list = nullptr;
      for (QComboBox* candidate : panel->currentPage()->findChildren<QComboBox*>())
        if (candidate->isVisible()) list = candidate;
      ASSERT_NE(list, nullptr);
      list->showPopup();
      const QImage dropDown = list->view()->grab().toImage();
      list->hidePopup();
      EXPECT_EQ(QColor(dropDown.pixel(dropDown.width() - 3, dropDown.height() - 3)), QColor(Qt::white));
      int darkest = 255;
      for (int y = 0; y < dropDown.height(); ++y)
        for (int x = 0; x < dropDown.width(); ++x) darkest = std::min(darkest, qGray(dropDown.pixel(x, y)));
      EXPECT_GE(darkest, 16);
      EXPECT_LT(darkest, 64);  // the items' text is there, dark
    }
  }
}

}  // namespace
}  // namespace velkor::test
