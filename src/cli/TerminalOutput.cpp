#include "cli/TerminalOutput.h"

#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>

#include "core/common/LogLineKind.h"

namespace {

const char* ColorOf(const QString& line) {
  switch (LogLineKindOf(line)) {
    case TLogLineKind::Progress:
      return "\033[90m";
    case TLogLineKind::Error:
      return "\033[31m";
    case TLogLineKind::Command:
      return "\033[34m";
    case TLogLineKind::Reply:
      return LogLineColor(line) == clRed ? "\033[31m" : "\033[32m";
    default:
      return "";
  }
}

}  // namespace

TTerminalOutput::TTerminalOutput() : m_terminal(::isatty(STDERR_FILENO) == 1) {}

void TTerminalOutput::LogLine(const QString& line) {
  EndProgress();
  const QByteArray text = line.toUtf8();
  if (m_terminal) {
    std::fprintf(stderr, "%s%s\033[0m\n", ColorOf(line), text.constData());
  } else {
    std::fprintf(stderr, "%s\n", text.constData());
  }
}

void TTerminalOutput::Error(const QString& text) {
  EndProgress();
  std::fprintf(stderr, "vornalo-ftp: %s\n", text.toUtf8().constData());
}

QString RateText(double bytesPerSecond) {
  if (bytesPerSecond >= 1048576.0)
    return QString::asprintf("%.1f MB/s", bytesPerSecond / 1048576.0);
  if (bytesPerSecond >= 1024.0) return QString::asprintf("%.1f KB/s", bytesPerSecond / 1024.0);
  return QString::asprintf("%.0f B/s", bytesPerSecond);
}

void TTerminalOutput::Progress(const QString& name, qint64 position, qint64 transfered,
                               double elapsed, qint64 fileSize) {
  if (!m_terminal) return;
  const double rate = elapsed > 0 ? double(transfered) / elapsed : 0.0;
  QString bar;
  if (fileSize > 0) {
    const int width = 24;
    const int filled = int(std::min<qint64>(width, position * width / fileSize));
    bar = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
          QString(width - filled, QLatin1Char(' ')) + QLatin1Char(']') +
          QString::asprintf(" %3d%%", int(std::min<qint64>(100, position * 100 / fileSize)));
    if (rate > 0) {
      const qint64 left = qint64(double(std::max<qint64>(0, fileSize - position)) / rate);
      bar +=
          QString::asprintf(" %lld:%02lld:%02lld left", left / 3600, (left / 60) % 60, left % 60);
    }
  } else {
    bar = QString::number(position) + QStringLiteral(" bytes");
  }
  QString shown = name.size() > 30 ? QStringLiteral("...") + name.right(27) : name;
  std::fprintf(stderr, "\r\033[K%s %s %s", shown.toUtf8().constData(), bar.toUtf8().constData(),
               RateText(rate).toUtf8().constData());
  std::fflush(stderr);
  m_progressShown = true;
}

void TTerminalOutput::EndProgress() {
  if (!m_progressShown) return;
  std::fprintf(stderr, "\r\033[K");
  m_progressShown = false;
}

QString TTerminalOutput::ReadSecret(const QString& prompt) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (tty == nullptr) return QString();
  const int fd = ::fileno(tty);
  termios saved{};
  const bool haveTerm = ::tcgetattr(fd, &saved) == 0;
  if (haveTerm) {
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::fprintf(tty, "%s", prompt.toUtf8().constData());
  std::fflush(tty);
  char buffer[1024] = {};
  const bool read = std::fgets(buffer, sizeof buffer, tty) != nullptr;
  if (haveTerm) ::tcsetattr(fd, TCSAFLUSH, &saved);
  std::fprintf(tty, "\n");
  std::fclose(tty);
  if (!read) return QString();
  QString text = QString::fromUtf8(buffer);
  while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
  return text;
}
