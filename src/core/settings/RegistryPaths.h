#pragma once

#include <QString>

// Where each part of the program keeps its settings in the per-user registry.
namespace RegistryPaths {
inline QString ProgramKey() {
  return QStringLiteral("\\Software\\Vornalo Explorer");
}
inline QString GlobalOptionsKey() {
  return ProgramKey() + QStringLiteral("\\GlobalOptions");
}
inline QString SiteBookKey() {
  return ProgramKey() + QStringLiteral("\\SiteBook");
}
inline QString SiteBookTreeKey() {
  return SiteBookKey() + QStringLiteral("\\Tree");
}
inline QString LocalExplorerKey() {
  return ProgramKey() + QStringLiteral("\\LocalExplorer");
}
inline QString CarrierKey() {
  return ProgramKey() + QStringLiteral("\\Carrier");
}
inline QString OnlineEditorKey() {
  return ProgramKey() + QStringLiteral("\\OnlineEditor");
}
}  // namespace RegistryPaths
