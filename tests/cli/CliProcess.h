#pragma once

#include <QProcess>
#include <QStringList>

#include "support/TestPaths.h"

// Runs vornalo-ftp with a private settings folder, no retry delay and one login attempt.
struct Result {
  int exitCode = -1;
  QString out;
  QString err;
};

inline Result RunCli(const QStringList& arguments, const QString& password, int timeoutMs = 60000) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VORNALO_PASSWORD", password);
  auto config = testsupport::MakeTempDir("cli-config");
  env.insert("VORNALO_CONFIG_HOME", config->path());
  process.setProcessEnvironment(env);
  process.start(VORNALO_FTP_EXE, QStringList{"--delay", "0", "--retries", "1"} + arguments);
  Result result;
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    result.err = "timed out";
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}
