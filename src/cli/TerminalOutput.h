#pragma once

#include <QString>
#include <QtGlobal>

// Standard error as the front end uses it: log lines coloured by kind on a terminal, and a
// one-line progress bar that later lines overwrite.
class TTerminalOutput {
 public:
  TTerminalOutput();

  bool IsTerminal() const { return m_terminal; }
  void LogLine(const QString& line);
  void Progress(const QString& name, qint64 position, qint64 transfered, double elapsed,
                qint64 fileSize);
  void EndProgress();
  void Error(const QString& text);

  // Reads a line from the terminal with echo off; empty when there is no terminal.
  static QString ReadSecret(const QString& prompt);

 private:
  bool m_terminal;
  bool m_progressShown = false;
};

// "12.3 MB/s", "512 B/s".
QString RateText(double bytesPerSecond);
