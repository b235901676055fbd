#include "desktop/remote/MutterDesktop.h"

#include <memory>

#include "desktop/remote/MutterSession.h"

namespace qm {

MutterDesktop::MutterDesktop() : RemoteDesktop(std::make_unique<MutterSession>()) {}

}  // namespace qm
