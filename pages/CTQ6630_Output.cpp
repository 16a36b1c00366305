#include "CTQ6630_Output.h"

namespace velkor {

CTQ6630_Output::CTQ6630_Output() : PageFrame("PostNcDestroy 6630 output \n", {}, Colours::SettingPage) {}

}  // namespace velkor
