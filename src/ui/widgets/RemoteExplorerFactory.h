#pragma once

#include <functional>

class QWidget;
class TSiteProperties;
class TRemoteExplorer;

// Creates remote explorer windows for the site book and Quick Connect. The remote explorer
// registers its creator at start-up; until one is registered, nothing can be opened.
namespace RemoteExplorerFactory {

// Creates the window for `site` with `owner` as its owner, registers it and returns it; the
// caller shows it. A record with QuickConnect set is handed over: the window frees it.
using TCreator = std::function<TRemoteExplorer*(QWidget* owner, TSiteProperties* site)>;

void SetCreator(TCreator creator);
bool IsAvailable();
// Null when no creator is registered; the caller then still owns a Quick Connect record.
TRemoteExplorer* CreateRemoteExplorer(QWidget* owner, TSiteProperties* site);

}  // namespace RemoteExplorerFactory
