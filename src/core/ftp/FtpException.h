#pragma once

#include <QString>
#include <stdexcept>

// A usage error of the engine (wrong state, empty argument), raised when no OnUsageError
// handler takes it.
class FtpException : public std::runtime_error {
 public:
  explicit FtpException(const QString& message)
      : std::runtime_error(message.toStdString()), m_message(message) {}
  QString Message() const { return m_message; }

 private:
  QString m_message;
};
