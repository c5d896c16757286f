#include "platform/regional.h"

namespace platform {

// Linux keeps no regional settings of the Windows kind.
const RegionalProfile* SystemRegionalProfile() { return nullptr; }

}  // namespace platform
