// tessaro list and tessaro help: the filters' controls, and their buttons.
#pragma once

#include <string>

#include "failure.h"
#include "host_session.h"

namespace tessaro::tools {

Failure RunList(HostSession* session);
// Presses the filter's "HELP" button; the module shows the text itself.
Failure RunHelp(HostSession* session, const std::string& filterName);

}  // namespace tessaro::tools
