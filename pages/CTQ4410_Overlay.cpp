#include "CTQ4410_Overlay.h"

namespace velkor {

CTQ4410_Overlay::CTQ4410_Overlay() : PageFrame("PostNcDestroy 4410 overlay \n", {}, Colours::SettingPage) {}

}  // namespace velkor
