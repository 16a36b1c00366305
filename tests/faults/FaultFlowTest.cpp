// Every fault a converter can show, met through the application's own flows: choosing
// the converter, every tab, a setting change and the status page again. Whatever the
// fault, nothing crashes, no exchange outlasts its two 500 ms limits, and the operator
// sees what the status page shows for a converter that does not take commands.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <regex>

#include "AppFixture.h"
#include "ModalCloser.h"
#include "PageFrame.h"

namespace velkor::test {
namespace {

using std::chrono::milliseconds;

// What the status page shows the operator when it is opened again.
enum class Sees {
  Name,       // the converter's name: its replies still get through
  DipSwitch,  // the DIP switch box and the product name: no usable reply
  Shifted,    // each exchange reads the previous one's late reply: no promise
};

struct FaultCase {
  const char* name;
  ConverterModel model;
  ConverterFault fault;
  Sees sees;
  bool afterSelection;  // the fault starts once the converter is in use
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

const int kTabsA[] = {1016, 1017, 1018, 1019, 1020};
const int kTabsB[] = {1023, 1072, 1073, 1074};
constexpr int kOutputFormatListA = 1024;
constexpr int kOutputFormatListB = 1085;

class FaultFlow : public AppFixture, public ::testing::WithParamInterface<FaultCase> {
 protected:
  // Exchanges started: each ends with one of these lines.
  int exchangesStarted() {
    static const std::regex ended("send ret = |the handle is null\n");
    const std::string text = log.text();
    return static_cast<int>(
        std::distance(std::sregex_iterator(text.begin(), text.end(), ended), std::sregex_iterator()));
  }
  std::span<const int> tabs(ConverterModel model) {
    return model == ConverterModel::TQ4410 ? std::span<const int>(kTabsA) : std::span<const int>(kTabsB);
  }
  void clickTab(int id) { QTest::mouseClick(control<CButtonST>(window->panel(), id), Qt::LeftButton); }
};

TEST_P(FaultFlow, EveryExchangeEndsInTimeAndTheOperatorSeesIt) {
  const FaultCase& c = GetParam();
  VirtualConverter& converter = addConverter(c.model, "/dev/hidraw0", "Truck 4");
  ModalCloser closer;
  openWindow();
  scan();
  if (!c.afterSelection) converter.setFault(c.fault);
  const auto start = clock.now();
  choose(1);
  if (c.afterSelection) converter.setFault(c.fault);

  const auto tabIds = tabs(c.model);
  for (std::size_t k = 1; k < tabIds.size(); ++k) clickTab(tabIds[k]);
  clickTab(tabIds[1]);
  auto* outputFormat = control<QComboBox>(window->panel()->currentPage(),
                                          c.model == ConverterModel::TQ4410 ? kOutputFormatListA : kOutputFormatListB);
  ASSERT_NE(outputFormat, nullptr);
  outputFormat->setFocus();
  QTest::keyClick(outputFormat, Qt::Key_Down);  // one setting change, sent at once in Auto Apply
  const int boxesBefore = closer.closed();
  clickTab(tabIds[0]);

  ASSERT_NE(window->panel(), nullptr);
  EXPECT_LE(clock.now() - start, exchangesStarted() * milliseconds(1000)) << log.text();
  const QString shown =
      control<QLineEdit>(window->panel()->currentPage(), c.model == ConverterModel::TQ4410 ? 1022 : 1077)->text();
  if (c.sees == Sees::Name) {
    EXPECT_EQ(closer.closed(), 0);
    EXPECT_EQ(shown, "Truck 4");
  } else if (c.sees == Sees::DipSwitch) {
    EXPECT_EQ(closer.closed(), boxesBefore + 1) << "the status page asks for the DIP switches";
    EXPECT_EQ(closer.lastText(), "Please set DIP switches to \"Controls-PC\".");
    EXPECT_EQ(shown, c.model == ConverterModel::TQ4410 ? "KLMTR-4" : "LKMTR-4");
  }
  EXPECT_EQ(converter.state.name, "Truck 4") << "no fault costs the converter its name";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultFlow,
    ::testing::Values(
        FaultCase{"NoReplyA", ConverterModel::TQ4410, ConverterFault::NoReply, Sees::DipSwitch, false},
        FaultCase{"NoReplyB", ConverterModel::TQ6630, ConverterFault::NoReply, Sees::DipSwitch, false},
        FaultCase{"LateReplyA", ConverterModel::TQ4410, ConverterFault::DelayedReply, Sees::Shifted, false},
        FaultCase{"WrongSyncB", ConverterModel::TQ6630, ConverterFault::WrongSync, Sees::DipSwitch, false},
        FaultCase{"UnknownReplyCodeA", ConverterModel::TQ4410, ConverterFault::UnknownReplyCode, Sees::DipSwitch,
                  false},
        FaultCase{"StalledWriteB", ConverterModel::TQ6630, ConverterFault::StalledWrite, Sees::DipSwitch, false},
        FaultCase{"OversizedReportA", ConverterModel::TQ4410, ConverterFault::OversizedReport, Sees::Name, false},
        FaultCase{"OversizedReportB", ConverterModel::TQ6630, ConverterFault::OversizedReport, Sees::Name, false},
        FaultCase{"UnpluggedInUseA", ConverterModel::TQ4410, ConverterFault::Unplugged, Sees::DipSwitch, true},
        FaultCase{"UnpluggedInUseB", ConverterModel::TQ6630, ConverterFault::Unplugged, Sees::DipSwitch, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A name without its closing '#': model A keeps 65 characters, model B reads to the end
// of the reply area, and neither page reads beyond it.
TEST_F(AppFixture, UnclosedNamesEndAtTheirLimits) {
  for (const ConverterModel model : {ConverterModel::TQ4410, ConverterModel::TQ6630}) {
    window.reset();
    transport = VirtualTransport(clock);
    VirtualConverter& converter = addConverter(model, "/dev/hidraw0", "Name");
    converter.setFault(ConverterFault::UnclosedName);
    ModalCloser closer;
    openWindow();
    scan();
    choose(1);
    const std::u16string& name =
        model == ConverterModel::TQ4410 ? window->record().customNameA : window->record().customNameB;
    ASSERT_TRUE(name.starts_with(u"Name"));
    EXPECT_EQ(name.size(), model == ConverterModel::TQ4410 ? 65u : 256u - 31u);
  }
}

// A settings file full of rubbish (here UTF-16 by its mark, and nothing of a settings
// file once read so) is refused with a message: no crash, nothing changed, nothing sent.
TEST_F(AppFixture, CorruptSettingsFileIsRefusedAndNothingSent) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder.path());
  QFile file("userSettings_tq6630.ini");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      QByteArray("\xff\xfe[Page_Scale/Output\n\0\0Output Format=\x01\x02\n[Page_Func]\nConfiguration=-\n"
                 "=7\n[\n]]]\nOutput Source From=1\n",
                 80));
  file.close();

  VirtualConverter& converter = addConverter(ConverterModel::TQ6630, "/dev/hidraw0", "Stage");
  converter.state.settings = {5, 1, 1, 1, 10, 10, 1, 1};
  ModalCloser closer;
  openWindow();
  scan();
  choose(1);
  QTest::mouseClick(control<CButtonST>(window->panel(), 1074), Qt::LeftButton);
  converter.forgetReceived();
  QTest::mouseClick(control<CButtonST>(window->panel()->currentPage(), 1098), Qt::LeftButton);
  QDir::setCurrent(previous);

  EXPECT_EQ(closer.closed(), 1);
  EXPECT_EQ(closer.lastTitle(), "Load Settings");
  EXPECT_EQ(closer.lastText(),
            "The file userSettings_tq6630.ini is no TQ6630 settings file: it holds none of its settings.");
  EXPECT_TRUE(converter.receivedFrames().empty());
  EXPECT_EQ(window->record().applyModeB, kAutoApply);
  EXPECT_EQ(converter.state.settings, (VirtualConverter::Settings{5, 1, 1, 1, 10, 10, 1, 1}));
  EXPECT_EQ(settableRun(window->record().statusB), converter.state.settings) << "the record as the converter told it";
}

}  // namespace
}  // namespace velkor::test
