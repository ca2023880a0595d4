#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace testsupport {

class ScriptedServerCore;

// What the scripted server does in answer to one command (or on connect): a sequence of
// steps run in order. Reply bytes are sent exactly as given, so a test controls line ends,
// multi-line replies and how the bytes are split into reads.
class ScriptedReply {
 public:
  struct Step {
    enum Kind { Send, Delay, HangUp, DataSend, DataReceive, DataHangUp } kind;
    QByteArray bytes;
    int milliseconds = 0;
    int chunkSize = 0;  // DataSend: pieces of this size, `milliseconds` apart (0: all at once)
  };

  ScriptedReply() = default;
  // A reply sent in one write: Reply("200 OK\r\n").
  ScriptedReply(const char* bytes) { Send(QByteArray(bytes)); }  // NOLINT: implicit on purpose
  ScriptedReply(const QByteArray& bytes) { Send(bytes); }        // NOLINT

  // "{PASV}" in the bytes becomes "127,0,0,1,p1,p2" of a fresh passive data listener and
  // "{EPSV}" its port number.
  ScriptedReply& Send(const QByteArray& bytes);
  // The bytes in pieces of `chunkSize`, with a pause between pieces so each arrives alone.
  ScriptedReply& SendSplit(const QByteArray& bytes, int chunkSize, int pauseMs = 20);
  ScriptedReply& Delay(int milliseconds);
  // Closes the control connection.
  ScriptedReply& HangUp();
  // Sends the content on the data connection (the passive listener's next connection, or a
  // connection to the address of the last PORT), then closes it.
  ScriptedReply& DataSend(const QByteArray& content);
  // As DataSend, in pieces of `chunkSize` with a pause of `pauseMs` before each further piece.
  ScriptedReply& DataSendSplit(const QByteArray& content, int chunkSize, int pauseMs);
  // Reads the data connection until the client closes it; see ReceivedData().
  ScriptedReply& DataReceive();
  // Closes the data connection (or drops the next one) without sending anything.
  ScriptedReply& DataHangUp();

  const std::vector<Step>& Steps() const { return m_steps; }

 private:
  std::vector<Step> m_steps;
};

// An FTP server in the test process, on its own thread, driven by a script. Each received
// command line is matched, without regard to case, against the next expectation by prefix;
// a command that does not match goes to the standing answers (Always), and if none fits it is
// recorded as unexpected and answered "500 Unexpected command.".
class ScriptedFtpServer {
 public:
  ScriptedFtpServer();
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  quint16 Port() const;

  // Sent on every new control connection; "220 Scripted server ready.\r\n" by default.
  void SetGreeting(const ScriptedReply& reply);
  void Expect(const QString& commandPrefix, const ScriptedReply& reply);
  void Always(const QString& commandPrefix, const ScriptedReply& reply);
  // Standing answers for every login the background client or a carrier makes: USER asks for
  // the password, PASS, SYST, TYPE and the REST probe succeed.
  void AnswerLogins();

  // Received command lines, without their line end.
  QStringList Received() const;
  QList<QByteArray> ReceivedRaw() const;
  QStringList Unexpected() const;
  QByteArray ReceivedData() const;
  int ConnectionCount() const;
  int PendingExpectations() const;

  // Wait until a condition holds or time runs out, processing the caller thread's events.
  bool WaitForCommandCount(int count, int timeoutMs) const;
  bool WaitForConnectionCount(int count, int timeoutMs) const;
  bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) const;

 private:
  std::unique_ptr<QThread> m_thread;
  ScriptedServerCore* m_core = nullptr;  // lives in m_thread, deleted there
};

}  // namespace testsupport
