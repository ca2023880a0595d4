#pragma once

#include <QRect>
#include <QString>

#include "core/settings/RegistryStore.h"

class QWidget;

// Windows keep "Left", "Top", "Width" and "Height" in their registry key.

// Applies each of the four values that exists and reads as an integer, then pulls the window
// back onto a screen when it lies off every one.
void LoadWindowPosition(QWidget* window, const QString& keyPath,
                        RegistryStore& store = RegistryStore::Current());
// Writes the four values when the window is neither minimised nor maximised.
void SaveWindowPosition(const QWidget* window, const QString& keyPath,
                        RegistryStore& store = RegistryStore::Current());

// `rect` moved (and shrunk when needed) so that it lies inside `available` when it does not
// meet any of the screens' available areas.
QRect PullOntoScreen(const QRect& rect, const QList<QRect>& screens, const QRect& available);
// The work area of the primary screen.
QRect WorkArea();
