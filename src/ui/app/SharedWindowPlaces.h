#pragma once

class TMainForm;
class TSiteBookForm;
class TLocalExplorerForm;
class TCarrierForm;
class TOnlineEditorForm;

// Gives the shared windows their default places around the main bar, each then taking its
// saved bounds: the site book at the work area's left edge and the local explorer right of it,
// both 3 pixels below the main bar's frame; the carrier at the right edge below the main bar;
// the online editor in the bottom right corner. The places are worked out again when each
// window is first shown, once the main bar has its frame.
void PlaceSharedWindows(TMainForm* main, TSiteBookForm* siteBook, TLocalExplorerForm* localExplorer,
                        TCarrierForm* carrier, TOnlineEditorForm* onlineEditor);
