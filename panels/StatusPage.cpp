#include "StatusPage.h"

#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <chrono>
#include <thread>

#include "BlockingWait.h"
#include "CButtonST.h"
#include "Log.h"
#include "SkinPalette.h"
#include "StatusReply.h"
#include "Text.h"
#include "TypingLimit.h"

namespace velkor {

namespace {

// The converter is given a moment between the steps of the name write test.
constexpr std::chrono::milliseconds kStepPause{50};

void pause() {
  waitFor([] { std::this_thread::sleep_for(kStepPause); });
}

void logName(const char* format, const std::u16string& name) { logLine(format, toUtf8(name).c_str()); }

void logIfAny(const char* line) {
  if (line != nullptr) logLine("%s", line);
}

// A name that differs from the converter's in its first character only, so that
// reading it back shows whether the converter took the write.
std::u16string testNameFor(const std::u16string& name) {
  if (name.empty()) return u"abc";
  std::u16string test = name;
  test[0] = test[0] == u'!' ? u'@' : u'!';
  return test;
}

void showDipSwitchMessage() {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Err"),
                  QStringLiteral("Please set DIP switches to \"Controls-PC\"."), QMessageBox::Ok);
  box.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
  box.exec();
}

}  // namespace

StatusPage::StatusPage(const Model& model)
    : PageFrame(model.endLine, model.controls, Colours::OwnRule, model.names), model_(model) {}

std::u16string& StatusPage::name() const { return record().*model_.name; }

void StatusPage::initialise() {
  nameField_ = control<QLineEdit>(model_.nameField);
  applyColourRule();
  runNameWriteTest(queryStatus());
  showName();
  // '#' ends a name in the converters' replies: a name holding one would come back cut,
  // and the next name write test would write the cut name over it.
  limitTyping(*nameField_, static_cast<int>(kCustomNameLimit), QStringLiteral("#"));
  showStatus();

  auto* save = new CButtonST(this);
  save->attachToControl(this, model_.saveButton);
  save->useDarkColours();
  connect(save, &QPushButton::clicked, this, &StatusPage::save);

  logIfAny(model_.readyLine);
}

bool StatusPage::queryStatus() {
  DeviceRecord& r = record();
  // A request that never gets as far as its read leaves an earlier reply in the area.
  r.replyBuffer.fill(0);
  model_.queryStatus(r);
  return holdsStatusReply(r, model_.statusReplyCode);
}

// Writes a changed name and reads it back: a converter whose DIP switches are not at
// "Controls-PC" keeps its name. Whatever the outcome, the converter must end with the
// name it had.
void StatusPage::runNameWriteTest(bool firstQueryAnswered) {
  DeviceRecord& r = record();
  std::u16string& name = this->name();
  const std::u16string firstName = name;
  logName("11111111111 %s  \n", name);
  pause();
  // Unanswered, the query leaves no name to restore, and a test name written now
  // could replace one that was never seen.
  if (!firstQueryAnswered) {
    showDipSwitchMessage();
    return;
  }

  name = testNameFor(firstName);
  logName("2222222222222 %s  \n", name);
  pause();
  const std::u16string testName = name;
  model_.sendName(r);
  model_.queryStatus(r);
  logName("33333333333333 %s  \n", name);
  if (name == testName) {
    pause();
    name = firstName;
    logName("4444444444 %s  \n", name);
    model_.sendName(r);
    return;
  }
  // The test name may have reached the converter even though no answer came back
  // that showed it. Quietly: a failed test logs its first three lines only, and the
  // field shows the name read back.
  if (name != firstName) {
    const std::u16string readBack = name;
    name = firstName;
    model_.sendName(r);
    name = readBack;
  }
  showDipSwitchMessage();
}

void StatusPage::showName() {
  const QString reported = QString::fromStdU16String(name());
  const bool productName = reported.isEmpty() || reported == QLatin1String(model_.modelWord);
  nameField_->setText(productName ? QString::fromLatin1(model_.productName) : reported);
  logIfAny(reported.isEmpty() ? model_.noNameLine : model_.namedLine);
}

void StatusPage::showStatus() {
  const std::vector<std::string> texts = model_.statusTexts(record());
  for (std::size_t i = 0; i < model_.statusFields.size(); ++i)
    control<QLineEdit>(model_.statusFields[i])->setText(QString::fromStdString(texts.at(i)));
}

void StatusPage::applyColourRule() {
  QPalette labels = palette();
  labels.setColor(QPalette::WindowText, palette::MutedText);
  labels.setColor(QPalette::Window, palette::Base);
  setPalette(labels);
  // The page's edit fields are exactly the controls that stand out from the labels.
  for (QLineEdit* field : findChildren<QLineEdit*>()) {
    QPalette values = field->palette();
    values.setColor(QPalette::Text, palette::ValueText);
    values.setColor(QPalette::Base, palette::TextButtonFace);
    field->setPalette(values);
  }
}

void StatusPage::enterSwallowed(QObject* target) {
  if (target == nameField_) logLine("%s", model_.enterLine);
}

void StatusPage::save() {
  name() = nameField_->text().toStdU16String();
  model_.sendName(record());
  logIfAny(model_.savedLine);
}

}  // namespace velkor
