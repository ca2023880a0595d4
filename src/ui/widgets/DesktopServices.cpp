#include "ui/widgets/DesktopServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>

namespace DesktopServices {
namespace {

TStarter& Starter() {
  static TStarter starter;
  return starter;
}

TReporter& Reporter() {
  static TReporter reporter;
  return reporter;
}

QSet<QString>& Reported() {
  static QSet<QString> reported;
  return reported;
}

}  // namespace

QString DataFolder() {
  const QString fromEnvironment = qEnvironmentVariable("VORNALO_DATA_DIR");
  if (!fromEnvironment.isEmpty()) return fromEnvironment;
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
  if (QFileInfo(beside).isDir()) return beside;
  const QString installed =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vornalo-explorer");
  if (QFileInfo(installed).isDir()) return QDir::cleanPath(installed);
  return QStringLiteral(VORNALO_RESOURCE_DIR) + QStringLiteral("/sounds");
}

QString ResolveDataFile(const QString& fileName) {
  if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) ||
      fileName.contains(QLatin1Char('\\'))) {
    return fileName;
  }
  return DataFolder() + QLatin1Char('/') + fileName;
}

QStringList TerminalCommand(const QString& program, const QStringList& arguments) {
  QStringList candidates;
  const QString preferred = qEnvironmentVariable("TERMINAL");
  if (!preferred.isEmpty()) candidates << preferred;
  candidates << QStringLiteral("x-terminal-emulator") << QStringLiteral("gnome-terminal")
             << QStringLiteral("konsole") << QStringLiteral("xfce4-terminal")
             << QStringLiteral("xterm");
  QString terminal;
  for (const QString& candidate : candidates) {
    terminal = QStandardPaths::findExecutable(candidate);
    if (!terminal.isEmpty()) break;
  }
  if (terminal.isEmpty()) return {};
  QStringList command{terminal};
  // gnome-terminal wants "--" before the command; the others take "-e".
  if (QFileInfo(terminal).fileName() == QStringLiteral("gnome-terminal")) {
    command << QStringLiteral("--");
  } else {
    command << QStringLiteral("-e");
  }
  command << program << arguments;
  return command;
}

bool RunInTerminal(const QString& program, const QStringList& arguments) {
  if (Starter()) return Starter()(program, arguments);
  QStringList command = TerminalCommand(program, arguments);
  if (command.isEmpty()) {
    ReportProblemOnce(QStringLiteral("No terminal emulator found to run %1.").arg(program));
    return false;
  }
  const QString terminal = command.takeFirst();
  if (!QProcess::startDetached(terminal, command)) {
    ReportProblemOnce(QStringLiteral("Cannot start %1.").arg(terminal));
    return false;
  }
  return true;
}

void SetTerminalStarter(TStarter starter) {
  Starter() = std::move(starter);
}

void PlaySoundFile(const QString& fileName) {
  if (fileName.isEmpty()) return;
  const QString path = ResolveDataFile(fileName);
  if (!QFileInfo(path).isFile()) {
    ReportProblemOnce(QStringLiteral("Sound file not found: %1").arg(path));
    return;
  }
  // One effect per file, kept for the run: QSoundEffect plays asynchronously.
  static QHash<QString, QSoundEffect*> effects;
  QSoundEffect*& effect = effects[path];
  if (effect == nullptr) {
    effect = new QSoundEffect(QCoreApplication::instance());
    effect->setSource(QUrl::fromLocalFile(path));
  }
  effect->play();
}

void SetProblemReporter(TReporter reporter) {
  Reporter() = std::move(reporter);
}

void ReportProblemOnce(const QString& text) {
  if (Reported().contains(text)) return;
  Reported().insert(text);
  if (Reporter()) {
    Reporter()(text);
  } else {
    qWarning("%s", qPrintable(text));
  }
}

void ForgetReportedProblems() {
  Reported().clear();
}

}  // namespace DesktopServices
