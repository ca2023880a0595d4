#pragma once

#include <QString>

class QWidget;
class TSiteProperties;

// What the shared windows (main bar, site book) need of an open remote explorer window. The
// remote explorer implements it; the list below and the main bar's tabs refer to it.
class TRemoteExplorer {
 public:
  virtual ~TRemoteExplorer() = default;
  virtual QWidget* Window() = 0;
  // The part of the caption after "Remote Explorer ", read by the main bar.
  virtual QString ConnectionLabel() const = 0;
  // Clears the window's reference to `site` when it is that record.
  virtual void ForgetSite(const TSiteProperties* site) = 0;
  // Font and bar colours from the options.
  virtual void ApplyOptions() = 0;
};
