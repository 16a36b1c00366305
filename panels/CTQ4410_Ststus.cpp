#include "CTQ4410_Ststus.h"

namespace velkor {

CTQ4410_Ststus::CTQ4410_Ststus() : PageFrame("PostNcDestroy 4410 status \n", {}, Colours::OwnRule) {}

}  // namespace velkor
