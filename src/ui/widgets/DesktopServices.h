#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Desktop services the windows share: shipped data files, the terminal emulator, sounds and
// a one-time report of a missing file.
namespace DesktopServices {

// The folder of the files the program ships (sounds): $VORNALO_DATA_DIR, the "data" folder
// beside the executable, or the source tree's resources when run from a build folder.
QString DataFolder();
// A name without a folder resolves against the data folder; others stay as they are.
QString ResolveDataFile(const QString& fileName);

// Starts `program` with `arguments` in the desktop's terminal emulator, without waiting.
// Tests replace the starter.
using TStarter = std::function<bool(const QString& program, const QStringList& arguments)>;
bool RunInTerminal(const QString& program, const QStringList& arguments);
void SetTerminalStarter(TStarter starter);  // empty: the real terminal
// The terminal command line that RunInTerminal starts: terminal, its options, program, args.
QStringList TerminalCommand(const QString& program, const QStringList& arguments);

// Plays a sound file asynchronously; a missing file is reported once. Empty names play nothing.
void PlaySoundFile(const QString& fileName);

// A problem the user should see once (in the main bar's status bar); repeats are dropped.
using TReporter = std::function<void(const QString& text)>;
void SetProblemReporter(TReporter reporter);
void ReportProblemOnce(const QString& text);
void ForgetReportedProblems();

}  // namespace DesktopServices
