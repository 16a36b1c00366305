#include "CTQ6630_Overlay.h"

namespace velkor {

CTQ6630_Overlay::CTQ6630_Overlay() : PageFrame("PostNcDestroy 6630 overlay \n", {}, Colours::SettingPage) {}

}  // namespace velkor
