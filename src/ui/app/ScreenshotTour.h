#pragma once

#include <QString>

class TMainForm;
class TSiteBookForm;

// For scripts/screenshot: once the windows are up, saves PNG pictures of the screen, the main
// bar, the site book and the options dialog into `folder`, then ends the program.
void RunScreenshotTour(TMainForm* mainForm, TSiteBookForm* siteBook, const QString& folder);
