// What the operator sees of each page: labels that fit, controls that do not overlap,
// and the audio page's controls inside their group frames.

#include <QGroupBox>
#include <QLabel>

#include "CMyGroupBox.h"
#include "PagesFixture.h"
#include "SkinPalette.h"

namespace velkor::test {
namespace {

class PageLayout : public PagesFixture {
 protected:
  std::vector<QWidget*> shownControls(PageFrame* page) {
    std::vector<QWidget*> shown;
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (child->isVisible()) shown.push_back(child);
    return shown;
  }
};

const struct {
  int device;
  int tab;
} kPages[] = {
    {kModelA, kOutputTabA}, {kModelA, kAudioTabA},   {kModelA, kOverlayTabA},
    {kModelB, kOutputTabB}, {kModelB, kOverlayTabB},
};

TEST_F(PageLayout, LabelsFitOnOneLineAndControlsDoNotOverlap) {
  for (const auto& p : kPages) {
    SCOPED_TRACE(testing::Message() << "tab " << p.tab);
    PageFrame* page = openPage(p.device, p.tab);
    const std::vector<QWidget*> shown = shownControls(page);
    for (QWidget* control : shown) {
      SCOPED_TRACE(control->metaObject()->className() + (" " + control->objectName()).toStdString());
      EXPECT_TRUE(page->rect().contains(control->geometry()));
      // Nothing is clipped: a radio button's indicator, a list's arrow, a field's frame.
      const QSize least = control->minimumSizeHint();
      EXPECT_GE(control->width(), least.width());
      EXPECT_GE(control->height(), least.height());
      if (auto* label = qobject_cast<QLabel*>(control)) {
        // A label tied to its control shows a doubled '&' once.
        const QString text = label->buddy() != nullptr ? QString(label->text()).replace("&&", "&") : label->text();
        SCOPED_TRACE(text.toStdString());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(text), label->width());
        EXPECT_LE(label->fontMetrics().height(), label->height());
      }
    }
    for (std::size_t i = 0; i < shown.size(); ++i)
      for (std::size_t j = i + 1; j < shown.size(); ++j) {
        // Group frames hold controls; they are the one thing meant to lie under others.
        if (qobject_cast<QGroupBox*>(shown[i]) || qobject_cast<QGroupBox*>(shown[j])) continue;
        EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
            << shown[i]->objectName().toStdString() << " " << shown[j]->objectName().toStdString();
      }
  }
}

TEST_F(PageLayout, AudioControlsSitInTheirSkinnedGroups) {
  PageFrame* page = openPage(kModelA, kAudioTabA);
  const struct {
    int group;
    const char* caption;
    std::vector<int> members;
  } groups[] = {
      {1068, "Audio De-Embedding", {1031}},
      {1069, "HDMI Audio Embedding", {1062, 1063, 1064, 1065}},
  };
  for (const auto& g : groups) {
    auto* group = qobject_cast<CMyGroupBox*>(pageControl(g.group));
    ASSERT_NE(group, nullptr) << g.group;
    EXPECT_EQ(group->title(), g.caption);
    EXPECT_EQ(group->palette().color(QPalette::WindowText), palette::ValueText);
    for (int id : g.members) {
      QWidget* member = pageControl(id);
      EXPECT_TRUE(group->geometry().contains(member->geometry())) << id;
      // Drawn over the frame, not hidden under it.
      EXPECT_EQ(page->childAt(member->geometry().center()), member) << id;
    }
  }
}

}  // namespace
}  // namespace velkor::test
