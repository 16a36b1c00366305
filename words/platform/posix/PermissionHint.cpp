#include "PermissionHint.h"

namespace velkor {

std::string permissionFix() {
  return "install the udev rule (the package does; otherwise: velkorctl udev-rule | sudo tee "
         "/etc/udev/rules.d/" VELKOR_UDEV_RULE_FILE
         ", with --group GROUP after udev-rule for the members of GROUP, such as users who log in over SSH) "
         "and replug the converter";
}

}  // namespace velkor
