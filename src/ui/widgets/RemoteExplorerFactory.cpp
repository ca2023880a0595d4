#include "ui/widgets/RemoteExplorerFactory.h"

namespace RemoteExplorerFactory {
namespace {
TCreator& Creator() {
  static TCreator creator;
  return creator;
}
}  // namespace

void SetCreator(TCreator creator) {
  Creator() = std::move(creator);
}

bool IsAvailable() {
  return static_cast<bool>(Creator());
}

TRemoteExplorer* CreateRemoteExplorer(QWidget* owner, TSiteProperties* site) {
  return Creator() ? Creator()(owner, site) : nullptr;
}

}  // namespace RemoteExplorerFactory
