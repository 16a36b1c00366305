#pragma once
// What the window programs ask of Qt's platform plugin on this system, unless the
// command line (-platform) or QT_QPA_PLATFORM asks otherwise. Qt reads it when the
// application object is made, so it is set on the way into that object's constructor.

namespace velkor {

// Sets the defaults in the process's environment; gives back `argc` for the
// application's constructor.
int& withPlatformDefaults(int& argc);

}  // namespace velkor
