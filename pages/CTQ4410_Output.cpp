#include "CTQ4410_Output.h"

namespace velkor {

CTQ4410_Output::CTQ4410_Output() : PageFrame("PostNcDestroy 4410 output \n", {}, Colours::SettingPage) {}

}  // namespace velkor
