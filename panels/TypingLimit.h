#pragma once

class QLineEdit;

namespace velkor {

// Lets the operator type at most `characters` characters into the field, while a
// longer text that the program put there stays whole: such a text may shrink but
// never grow, until it is short enough for the limit to hold as usual. Call it after
// the program has put its text in; a later setText is cut to the limit.
void limitTyping(QLineEdit& field, int characters);

}  // namespace velkor
