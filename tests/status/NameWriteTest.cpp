// The name write test each status page runs when it opens: it must tell a converter
// that takes commands from one that does not, and never leave a converter with a name
// other than its own.

#include "StatusPageFixture.h"

namespace velkor::test {
namespace {

using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

class NameWriteTest : public BothStatusPages {};

TEST_P(NameWriteTest, PassesAndWritesTheFirstNameBack) {
  VirtualConverter& converter = addConverter("Alpha");
  openPage();
  EXPECT_EQ(numberedLines(), (Lines{"11111111111 Alpha  \n", "2222222222222 !lpha  \n", "33333333333333 !lpha  \n",
                                    "4444444444 Alpha  \n"}));
  EXPECT_EQ(namesWritten(converter), (Names{"!lpha", "Alpha"}));
  EXPECT_EQ(converter.state.name, "Alpha");
  EXPECT_EQ(boxes.closed(), 0);
  EXPECT_EQ(nameField()->text(), "Alpha");
}

TEST_P(NameWriteTest, TestNameDiffersInItsFirstCharacter) {
  struct Case {
    const char* name;
    const char* testName;
  };
  const Case cases[] = {{"!bang", "@bang"}, {"@at", "!at"}, {"Zed", "!ed"}, {"x", "!"}, {"", "abc"}};
  VirtualConverter& converter = addConverter("first");
  openPage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    converter.state.name = c.name;
    reopenPage(converter);
    EXPECT_EQ(numberedLines().at(1), std::string("2222222222222 ") + c.testName + "  \n");
    EXPECT_EQ(namesWritten(converter), (Names{c.testName, c.name}));
    EXPECT_EQ(converter.state.name, c.name);
  }
  EXPECT_EQ(boxes.closed(), 0);
}

TEST_P(NameWriteTest, ConverterNotAtControlsPcFailsAndKeepsItsName) {
  VirtualConverter& converter = addConverter("Alpha");
  converter.state.controlsPc = false;
  openPage();
  EXPECT_EQ(boxes.closed(), 1);
  EXPECT_EQ(boxes.lastText(), kDipSwitchText);
  EXPECT_EQ(boxes.lastTitle(), "Err");
  EXPECT_EQ(numberedLines(), (Lines{"11111111111 Alpha  \n", "2222222222222 !lpha  \n", "33333333333333 Alpha  \n"}));
  // The name read back is the first name: there is nothing to write back.
  EXPECT_EQ(namesWritten(converter), (Names{"!lpha"}));
  EXPECT_EQ(converter.state.name, "Alpha");
  EXPECT_EQ(nameField()->text(), "Alpha");
}

// A query that is not answered leaves no first name to restore: writing a test name
// then could replace a name nobody has read.
TEST_P(NameWriteTest, UnansweredFirstQuerySendsNoName) {
  VirtualConverter& converter = addConverter("Alpha");
  openPage();
  // A stalled write never gets as far as the read, so the reply area still holds the
  // answer of the page opened before.
  for (const ConverterFault fault : {ConverterFault::StalledWrite, ConverterFault::NoReply}) {
    SCOPED_TRACE(static_cast<int>(fault));
    converter.setFault(fault);
    const int boxesBefore = boxes.closed();
    reopenPage(converter);
    EXPECT_EQ(boxes.closed(), boxesBefore + 1);
    EXPECT_EQ(boxes.lastText(), kDipSwitchText);
    EXPECT_EQ(numberedLines(), (Lines{"11111111111   \n"}));
    EXPECT_EQ(namesWritten(converter), Names{});
    EXPECT_EQ(converter.state.name, "Alpha");
    EXPECT_EQ(nameField()->text(), GetParam().productName);
    converter.setFault(fault, false);
  }
}

// The converter takes the test name, but from then on its answers are lost: the
// name read back is empty, the test fails, and the first name must still go back.
TEST_P(NameWriteTest, TestNameWhoseAnswerWasLostIsUndone) {
  VirtualConverter& converter = addConverter("Alpha");
  int reports = 0;
  transport.setTrace([&](const VirtualConverter&, VirtualTransport::Direction direction, auto) {
    // The page's second report is the test name.
    if (direction == VirtualTransport::Direction::ToConverter && ++reports == 2)
      converter.setFault(ConverterFault::NoReply);
  });
  openPage();
  EXPECT_EQ(boxes.closed(), 1);
  EXPECT_EQ(boxes.lastText(), kDipSwitchText);
  // Like every failed test, it logs its first three lines only.
  EXPECT_EQ(numberedLines(), (Lines{"11111111111 Alpha  \n", "2222222222222 !lpha  \n", "33333333333333   \n"}));
  EXPECT_EQ(namesWritten(converter), (Names{"!lpha", "Alpha"}));
  EXPECT_EQ(converter.state.name, "Alpha");
  // The page still shows what it read back: nothing.
  EXPECT_EQ(nameField()->text(), GetParam().productName);
}

INSTANTIATE_TEST_SUITE_P(Models, NameWriteTest, ::testing::Values(kPageA, kPageB), modelName);

}  // namespace
}  // namespace velkor::test
