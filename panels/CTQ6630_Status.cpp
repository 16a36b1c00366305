#include "CTQ6630_Status.h"

namespace velkor {

CTQ6630_Status::CTQ6630_Status() : PageFrame("PostNcDestroy 6630 status \n", {}, Colours::OwnRule) {}

}  // namespace velkor
