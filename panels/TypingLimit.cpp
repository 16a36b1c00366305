#include "TypingLimit.h"

#include <QLineEdit>
#include <QValidator>
#include <algorithm>

namespace velkor {

namespace {

// Sees each edit as the text before it and the text after it: what the edit put in
// lies between the parts the two texts share at their start and at their end.
class TypingLimitValidator final : public QValidator {
 public:
  TypingLimitValidator(QLineEdit& field, int characters, const QString& refused)
      : QValidator(&field), characters_(characters), refused_(refused), before_(field.text()) {}

  State validate(QString& input, int& cursor) const override {
    const qsizetype shared = std::min(before_.size(), input.size());
    qsizetype head = 0;
    while (head < shared && before_[head] == input[head]) ++head;
    qsizetype tail = 0;
    while (tail < shared - head && before_[before_.size() - 1 - tail] == input[input.size() - 1 - tail]) ++tail;
    QString inserted = input.mid(head, input.size() - head - tail);
    if (!inserted.isEmpty()) {
      for (const QChar c : refused_) inserted.remove(c);
      const qsizetype kept = head + tail;  // what the edit left of the text before it
      if (kept + inserted.size() > characters_) inserted.truncate(std::max<qsizetype>(characters_ - kept, 0));
      input = input.left(head) + inserted + input.right(tail);
      cursor = static_cast<int>(head + inserted.size());
    }
    before_ = input;
    return Acceptable;
  }

 private:
  int characters_;
  QString refused_;
  mutable QString before_;
};

}  // namespace

void limitTyping(QLineEdit& field, int characters, const QString& refused) {
  field.setValidator(new TypingLimitValidator(field, characters, refused));
}

}  // namespace velkor
