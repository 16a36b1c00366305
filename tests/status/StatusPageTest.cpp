// What the status pages show, and what their name field and "Save" do.

#include <QImage>
#include <QLabel>
#include <algorithm>

#include "CButtonST.h"
#include "SkinPalette.h"
#include "StatusPageFixture.h"

namespace velkor::test {
namespace {

struct FieldText {
  int id;
  const char* text;
};

class StatusPages : public StatusPageFixture {
 protected:
  void expectFields(std::initializer_list<FieldText> fields) {
    for (const FieldText& f : fields) {
      ASSERT_NE(field(f.id), nullptr) << f.id;
      EXPECT_EQ(field(f.id)->text(), f.text) << f.id;
    }
  }
};

// Each field shows a different text, so a field filled from the wrong byte shows.
TEST_F(StatusPages, TQ4410FieldsShowTheStatusInWords) {
  VirtualConverter& converter = addConverter(kPageA, "Alpha");
  converter.state.firmwareHigh = 12;
  converter.state.firmwareLow = 34;
  converter.state.inputFormat = 30;
  // Output format, de-embedding, embedding, colour space, AV output, then overlays.
  converter.state.settings = {13, 5, 2, 3, 1, 0, 0, 0};
  openPage();
  expectFields({{1022, "Alpha"},
                {1034, "Ver 1.2.3.4"},
                {1035, "1035i60"},
                {1036, "576i50"},
                {1037, "SDI Channel 11-12 "},
                {1038, "AES/EBU Audio "},
                {1056, "DVI RGB 4:4:4 "},
                {1057, "PAL"}});
  EXPECT_FALSE(field(1022)->isReadOnly());
  for (int id : {1034, 1035, 1036, 1037, 1038, 1056, 1057}) EXPECT_TRUE(field(id)->isReadOnly()) << id;
}

TEST_F(StatusPages, TQ6630FieldsShowTheStatusInWords) {
  VirtualConverter& converter = addConverter(kPageB, "Bravo");
  converter.state.firmwareHigh = 123;
  converter.state.firmwareLow = 4;
  converter.state.inputFormat = 2;
  // Output format, output source, audio source, then overlays, margins, flip, freeze.
  converter.state.settings = {13, 1, 0, 0, 0, 0, 0, 0};
  openPage();
  expectFields({{1077, "Bravo"},
                {1078, "Ver 12.3.0.4"},
                {1079, "SECAM"},
                {1080, "625i50 "},
                {1081, "AV"},
                {1082, "Follow AV"},
                {1083, ""},
                {1084, ""}});
  EXPECT_FALSE(field(1083)->isVisible());
  EXPECT_FALSE(field(1084)->isVisible());
  for (const QLabel* label : page->findChildren<QLabel*>()) {
    if (label->text() == "HDMI Color Space" || label->text() == "CVBS Output Status") {
      EXPECT_FALSE(label->isVisible()) << label->text().toStdString();
    }
  }
}

TEST_F(StatusPages, TQ4410LogsWhetherItGotAName) {
  VirtualConverter& converter = addConverter(kPageA, "");
  openPage();
  EXPECT_TRUE(log.contains("normal \n4410 init over \n")) << log.text();
  EXPECT_FALSE(log.contains("real name"));
  converter.state.name = "TQ4410";
  reopenPage(converter);
  EXPECT_TRUE(log.contains("real name \n4410 init over \n")) << log.text();
  EXPECT_FALSE(log.contains("normal"));
}

class BothPages : public BothStatusPages {};

TEST_P(BothPages, ModelWordAndNoNameShowTheProductName) {
  const PageModel& model = GetParam();
  const std::string word = model.word;
  std::string lowerWord = word;
  lowerWord[0] = 't';
  lowerWord[1] = 'q';
  struct Case {
    std::string reported;
    std::string shown;
  };
  const Case cases[] = {
      {word, model.productName},
      {"", model.productName},
      {lowerWord, lowerWord},
      {word + " ", word + " "},
      {model.otherModelWord, model.otherModelWord},
      {"Studio 4", "Studio 4"},
  };
  VirtualConverter& converter = addConverter("first");
  openPage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reported);
    converter.state.name = c.reported;
    reopenPage(converter);
    EXPECT_EQ(nameField()->text().toStdString(), c.shown);
  }
}

// The typing limit must not cut a longer name the page shows, and that name may
// shrink but never grow.
TEST_P(BothPages, TypingStopsAtSixteenCharactersButKeepsALongerName) {
  const std::string longName = "ABCDEFGHIJKLMNOPQRST";  // 20
  addConverter(longName);
  openPage();
  QLineEdit* name = nameField();
  EXPECT_EQ(name->text().toStdString(), longName);

  QTest::keyClicks(name, "x");
  EXPECT_EQ(name->text().toStdString(), longName);
  name->setCursorPosition(10);
  QTest::keyClick(name, Qt::Key_Backspace);
  QTest::keyClick(name, Qt::Key_Backspace);
  EXPECT_EQ(name->text().toStdString(), "ABCDEFGHKLMNOPQRST") << "the cursor stays where the operator edits";
  QTest::keyClicks(name, "x");
  EXPECT_EQ(name->text().toStdString(), "ABCDEFGHKLMNOPQRST");

  name->selectAll();
  QTest::keyClicks(name, "0123456789abcdefghij");
  EXPECT_EQ(name->text().toStdString(), "0123456789abcdef");
}

// Typing over a selection in a name longer than the limit: the selection goes, and
// only what fits under the limit comes in.
TEST_P(BothPages, TypingOverASelectionInALongNameStaysWithinTheLimit) {
  const struct {
    int from, length;
    const char* typed;
    const char* expected;
  } rows[] = {
      {0, 1, "x", "BCDEFGHIJKLMNOPQR"},  // 17 left: nothing fits
      {0, 2, "yz", "CDEFGHIJKLMNOPQR"},  // 16 left: nothing fits
      {0, 4, "wxyz", "wxEFGHIJKLMNOPQR"},
      {16, 2, "0123", "ABCDEFGHIJKLMNOP"},
  };
  VirtualConverter& converter = addConverter("ABCDEFGHIJKLMNOPQR");  // 18
  openPage();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    reopenPage(converter);
    QLineEdit* name = nameField();
    name->setSelection(row.from, row.length);
    QTest::keyClicks(name, row.typed);
    EXPECT_EQ(name->text().toStdString(), row.expected);
  }
}

TEST_P(BothPages, SaveWritesWhatTheFieldHolds) {
  const PageModel& model = GetParam();
  struct Case {
    const char* converterName;
    const char* typed;  // null: the field as the page filled it
    const char* written;
  };
  const Case cases[] = {
      {"Alpha", "New name", "New name"},
      {"", nullptr, model.productName},
      {"Alpha", "", ""},
      {"Alpha", "CAM#1 Left", "CAM1 Left"},  // '#' would end the name in every reply
  };
  VirtualConverter& converter = addConverter("first");
  openPage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    converter.state.name = c.converterName;
    reopenPage(converter);
    if (c.typed != nullptr) nameField()->setText(c.typed);
    converter.forgetReceived();
    log.clear();
    QTest::mouseClick(control<CButtonST>(page, model.saveButton), Qt::LeftButton);
    EXPECT_EQ(namesWritten(converter), std::vector<std::string>{c.written});
    EXPECT_EQ(converter.receivedFrames().size(), 1u) << "no query follows";
    EXPECT_EQ(converter.state.name, c.written);
    if (model.model == ConverterModel::TQ6630) {
      EXPECT_TRUE(log.text().ends_with("send 6630 name data \n")) << log.text();
    }
  }
}

TEST_P(BothPages, EnterInTheNameFieldLogsItsLineAndSavesNothing) {
  const PageModel& model = GetParam();
  VirtualConverter& converter = addConverter("Alpha");
  openPage();
  nameField()->setText("changed");
  converter.forgetReceived();
  log.clear();
  nameField()->setFocus();
  QTest::keyClick(nameField(), Qt::Key_Return);
  QTest::keyClick(nameField(), Qt::Key_Enter);
  EXPECT_EQ(log.text(), std::string(model.enterLine) + model.enterLine);

  log.clear();
  QTest::keyClick(field(model.statusField), Qt::Key_Return);
  EXPECT_EQ(log.text(), "") << "only the name field has a line of its own";

  EXPECT_TRUE(converter.receivedFrames().empty());
  EXPECT_EQ(converter.state.name, "Alpha");
  EXPECT_EQ(window->panel()->currentPage(), page);
  EXPECT_TRUE(page->isVisible());
}

// Labels grey on the page's colour; every field light grey on dark grey; "Save" a
// dark text button. Text is antialiased, so its colour shows as the lightest pixel of
// the control, which comes close to the text colour and never passes it.
TEST_P(BothPages, ColourRule) {
  const PageModel& model = GetParam();
  addConverter("WWWWWWWW");
  openPage();
  const QImage shot = page->grab().toImage();
  auto colourAt = [&](QPoint p) { return QColor(shot.pixel(p)); };
  auto expectText = [&](QRect area, const QColor& text, const char* what) {
    int lightest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) lightest = std::max(lightest, colourAt({x, y}).red());
    EXPECT_LE(lightest, text.red()) << what;
    EXPECT_GE(lightest, text.red() - 20) << what;
  };
  for (int id : {model.nameField, model.statusField}) {
    const QRect area = field(id)->geometry();
    EXPECT_EQ(colourAt(area.center() + QPoint(area.width() / 2 - 4, 0)), palette::TextButtonFace) << id;
    expectText(area, palette::ValueText, "field");
  }
  const QLabel* label = page->findChild<QLabel*>();
  EXPECT_EQ(colourAt(label->geometry().topLeft() + QPoint(-2, 0)), palette::Base);
  expectText(label->geometry(), palette::MutedText, "label");
  const QRect save = control<CButtonST>(page, model.saveButton)->geometry();
  EXPECT_EQ(colourAt(save.topLeft() + QPoint(3, 3)), palette::TextButtonFace);
  expectText(save, palette::MutedText, "Save");
}

INSTANTIATE_TEST_SUITE_P(Models, BothPages, ::testing::Values(kPageA, kPageB), modelName);

}  // namespace
}  // namespace velkor::test
