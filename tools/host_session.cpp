#include "host_session.h"

namespace tessaro::tools {

Failure HostSession::Open(const std::string& modulePath, HostSession* session) {
  std::string error;
  session->module_ = LoadedModule::Open(modulePath, &error);
  if (!error.empty()) return Fail(ExitStatus::kModule, error);
  return session->started_.Start(session->module_.filters());
}

}  // namespace tessaro::tools
