// TConfigManager: the preference store the program creates once, as ConfigMgr. It adds nothing to
// TConfigBase; destroying it closes whatever key is still open.
#pragma once

#include "prefs/config_base.h"

namespace regcorvex {

class TConfigManager final : public TConfigBase {
 public:
  using TConfigBase::TConfigBase;
};

}  // namespace regcorvex
