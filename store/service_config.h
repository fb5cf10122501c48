#pragma once
// The settings records as the dial-up manager and the update check take them.
//
// Pure functions: any thread.

#include "jobs/dial_manager.h"
#include "jobs/update_check.h"
#include "store/settings_records.h"

namespace fw {

// Dial-up is in use when "WDialup" is set and an entry other than "Fetchwright Never
// Dial" is chosen.
DialConfig dialConfigFrom(const DialUpSettings& s);

UpdateEndpoint updateEndpointFrom(const GeneralSettings& g);

}  // namespace fw
