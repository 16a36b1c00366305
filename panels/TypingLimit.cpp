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
  TypingLimitValidator(QLineEdit& field, int characters)
      : QValidator(&field), characters_(characters), before_(field.text()) {}

  State validate(QString& input, int& cursor) const override {
    const qsizetype shared = std::min(before_.size(), input.size());
    qsizetype head = 0;
    while (head < shared && before_[head] == input[head]) ++head;
    qsizetype tail = 0;
    while (tail < shared - head && before_[before_.size() - 1 - tail] == input[input.size() - 1 - tail]) ++tail;
    const qsizetype inserted = input.size() - head - tail;
    if (inserted > 0 && input.size() > characters_) {
      const qsizetype kept = head + tail;  // what the edit left of the text before it
      const qsizetype fits = std::clamp<qsizetype>(characters_ - kept, 0, inserted);
      input = input.left(head + fits) + input.right(tail);
      cursor = static_cast<int>(head + fits);
    }
    before_ = input;
    return Acceptable;
  }

 private:
  int characters_;
  mutable QString before_;
};

}  // namespace

void limitTyping(QLineEdit& field, int characters) { field.setValidator(new TypingLimitValidator(field, characters)); }

}  // namespace velkor
