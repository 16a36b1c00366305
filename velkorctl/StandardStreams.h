#pragma once
// Standard input and output as bytes: `save -` and `load -` carry a settings file
// through them, which must arrive byte for byte (CRLF stays CRLF, LF stays LF).

namespace velkor::ctl {

// Windows opens them in text mode, which would add a CR before every LF written and
// drop the CR of every CRLF read; POSIX streams are bytes already.
void useBinaryStandardStreams();

}  // namespace velkor::ctl
