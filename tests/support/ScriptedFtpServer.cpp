#include "support/ScriptedFtpServer.h"

#include "core/common/BlockingCall.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <deque>
#include <mutex>

namespace testsupport {

ScriptedReply& ScriptedReply::Send(const QByteArray& bytes) {
  m_steps.push_back({Step::Send, bytes, 0});
  return *this;
}

ScriptedReply& ScriptedReply::SendSplit(const QByteArray& bytes, int chunkSize, int pauseMs) {
  for (qsizetype i = 0; i < bytes.size(); i += chunkSize) {
    if (i > 0) Delay(pauseMs);
    Send(bytes.mid(i, chunkSize));
  }
  return *this;
}

ScriptedReply& ScriptedReply::Delay(int milliseconds) {
  m_steps.push_back({Step::Delay, {}, milliseconds});
  return *this;
}

ScriptedReply& ScriptedReply::HangUp() {
  m_steps.push_back({Step::HangUp, {}, 0});
  return *this;
}

ScriptedReply& ScriptedReply::DataSend(const QByteArray& content) {
  m_steps.push_back({Step::DataSend, content, 0});
  return *this;
}

ScriptedReply& ScriptedReply::DataSendSplit(const QByteArray& content, int chunkSize, int pauseMs) {
  m_steps.push_back({Step::DataSend, content, pauseMs, chunkSize});
  return *this;
}

ScriptedReply& ScriptedReply::DataReceive() {
  m_steps.push_back({Step::DataReceive, {}, 0});
  return *this;
}

ScriptedReply& ScriptedReply::DataHangUp() {
  m_steps.push_back({Step::DataHangUp, {}, 0});
  return *this;
}

// Runs on the server's own thread. Everything a test may look at is under m_mutex.
class ScriptedServerCore : public TCallReceiver {
 public:
  using Step = ScriptedReply::Step;

  mutable std::mutex m_mutex;
  ScriptedReply m_greeting{"220 Scripted server ready.\r\n"};
  std::deque<std::pair<QString, ScriptedReply>> m_expectations;
  std::vector<std::pair<QString, ScriptedReply>> m_always;
  QStringList m_received;
  QList<QByteArray> m_receivedRaw;
  QStringList m_unexpected;
  QByteArray m_receivedData;
  int m_connections = 0;
  quint16 m_port = 0;

  void Init() {
    m_server = new QTcpServer(this);
    m_server->listen(QHostAddress::LocalHost, 0);
    m_port = m_server->serverPort();
    QObject::connect(m_server, &QTcpServer::newConnection, this, [this] { OnNewConnection(); });
  }

 private:
  void OnNewConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
      socket->setParent(this);
      m_control = socket;
      m_buffer.clear();
      // A new connection supersedes the old one: what was still to be said there (a delayed
      // reply, say) must not reach the new connection in place of its greeting.
      ++m_generation;
      m_busy = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.clear();
        ++m_connections;
        for (const Step& step : m_greeting.Steps()) m_pending.push_back(step);
      }
      QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnRead(socket); });
      QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        // What was still to be sent on a closed connection is moot; the next connection's
        // greeting must not wait behind it.
        if (socket == m_control) {
          ++m_generation;
          m_busy = false;
          std::lock_guard<std::mutex> lock(m_mutex);
          m_pending.clear();
        }
        socket->deleteLater();
      });
      Pump();
    }
  }

  void OnRead(QTcpSocket* socket) {
    if (socket != m_control) {
      socket->readAll();
      return;
    }
    m_buffer += socket->readAll();
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
      QByteArray raw = m_buffer.left(end);
      m_buffer.remove(0, end + 1);
      if (raw.endsWith('\r')) raw.chop(1);
      HandleCommand(raw);
    }
    Pump();
  }

  void HandleCommand(const QByteArray& raw) {
    const QString line = QString::fromLatin1(raw);
    if (line.startsWith(QLatin1String("PORT "), Qt::CaseInsensitive)) {
      const QStringList parts = line.mid(5).trimmed().split(QLatin1Char(','));
      if (parts.size() == 6) {
        m_activeHost = QStringList(parts.mid(0, 4)).join(QLatin1Char('.'));
        m_activePort = static_cast<quint16>(parts.at(4).toUInt() * 256 + parts.at(5).toUInt());
      }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received << line;
    m_receivedRaw << raw;
    if (!m_expectations.empty() &&
        line.startsWith(m_expectations.front().first, Qt::CaseInsensitive)) {
      for (const Step& step : m_expectations.front().second.Steps()) m_pending.push_back(step);
      m_expectations.pop_front();
      return;
    }
    for (const auto& [prefix, reply] : m_always) {
      if (line.startsWith(prefix, Qt::CaseInsensitive)) {
        for (const Step& step : reply.Steps()) m_pending.push_back(step);
        return;
      }
    }
    m_unexpected << line;
    m_pending.push_back({Step::Send, QByteArray("500 Unexpected command.\r\n"), 0});
  }

  // Runs the pending steps until one has to wait.
  void Pump() {
    while (!m_busy) {
      Step step;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pending.empty()) return;
        step = m_pending.front();
        m_pending.pop_front();
      }
      switch (step.kind) {
        case Step::Send:
          SendControl(step.bytes);
          break;
        case Step::Delay: {
          m_busy = true;
          const int generation = m_generation;
          QTimer::singleShot(step.milliseconds, this, [this, generation] { Resume(generation); });
          break;
        }
        case Step::HangUp:
          if (m_control) m_control->disconnectFromHost();
          m_control = nullptr;
          break;
        case Step::DataSend:
        case Step::DataReceive:
        case Step::DataHangUp: {
          m_busy = true;
          const int generation = m_generation;
          WithDataSocket(
              [this, step, generation](QTcpSocket* data) { RunDataStep(step, data, generation); });
          break;
        }
      }
    }
  }

  void Resume(int generation) {
    if (generation != m_generation) return;  // its connection has gone
    m_busy = false;
    Pump();
  }

  void SendControl(QByteArray bytes) {
    if (bytes.contains("{PASV}") || bytes.contains("{EPSV}")) {
      delete m_passive;
      m_passive = new QTcpServer(this);
      m_passive->listen(QHostAddress::LocalHost, 0);
      const quint16 port = m_passive->serverPort();
      bytes.replace("{PASV}",
                    QStringLiteral("127,0,0,1,%1,%2").arg(port / 256).arg(port % 256).toLatin1());
      bytes.replace("{EPSV}", QByteArray::number(port));
    }
    if (m_control) m_control->write(bytes);
  }

  // Calls `run` with the data connection: the passive listener's next connection, or a new
  // connection to the last PORT address. Gives up after ten seconds with a null socket.
  void WithDataSocket(std::function<void(QTcpSocket*)> run) {
    auto done = std::make_shared<bool>(false);
    auto finish = [this, run, done](QTcpSocket* socket) {
      if (*done) return;
      *done = true;
      if (m_passive) {
        m_passive->close();
        m_passive->deleteLater();
        m_passive = nullptr;
      }
      run(socket);
    };
    QTimer::singleShot(10000, this, [finish] { finish(nullptr); });
    if (m_passive) {
      if (m_passive->hasPendingConnections()) {
        QTcpSocket* socket = m_passive->nextPendingConnection();
        socket->setParent(this);
        finish(socket);
        return;
      }
      QPointer<QTcpServer> listener = m_passive;
      QObject::connect(m_passive, &QTcpServer::newConnection, this, [listener, finish, this] {
        if (!listener) return;
        QTcpSocket* socket = listener->nextPendingConnection();
        socket->setParent(this);
        finish(socket);
      });
      return;
    }
    if (m_activePort == 0) {
      finish(nullptr);
      return;
    }
    auto* socket = new QTcpSocket(this);
    QObject::connect(socket, &QTcpSocket::connected, this, [finish, socket] { finish(socket); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, this, [finish] { finish(nullptr); });
    socket->connectToHost(m_activeHost, m_activePort);
  }

  void RunDataStep(const Step& step, QTcpSocket* data, int generation) {
    if (data == nullptr) {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_unexpected << QStringLiteral("(no data connection)");
      lock.unlock();
      Resume(generation);
      return;
    }
    auto closed = [this, data, generation] {
      data->deleteLater();
      Resume(generation);
    };
    switch (step.kind) {
      case Step::DataSend:
        QObject::connect(data, &QTcpSocket::disconnected, this, closed);
        if (step.chunkSize > 0 && step.bytes.size() > step.chunkSize) {
          SendDataPieces(data, step.bytes, step.chunkSize, step.milliseconds);
          break;
        }
        data->write(step.bytes);
        data->disconnectFromHost();  // flushes first
        if (data->state() == QAbstractSocket::UnconnectedState) closed();
        break;
      case Step::DataReceive:
        QObject::connect(data, &QTcpSocket::readyRead, this, [this, data] {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_receivedData += data->readAll();
        });
        QObject::connect(data, &QTcpSocket::disconnected, this, [this, data, closed] {
          std::unique_lock<std::mutex> lock(m_mutex);
          m_receivedData += data->readAll();
          lock.unlock();
          closed();
        });
        if (data->state() == QAbstractSocket::UnconnectedState) closed();
        break;
      default:
        data->abort();
        closed();
        break;
    }
  }

  // Writes the first piece now and the rest one by one after each pause, then closes.
  void SendDataPieces(QPointer<QTcpSocket> data, QByteArray rest, int chunkSize, int pauseMs) {
    if (!data || data->state() != QAbstractSocket::ConnectedState) return;
    data->write(rest.left(chunkSize));
    rest.remove(0, chunkSize);
    if (rest.isEmpty()) {
      data->disconnectFromHost();
      return;
    }
    QTimer::singleShot(pauseMs, this, [this, data, rest, chunkSize, pauseMs] {
      SendDataPieces(data, rest, chunkSize, pauseMs);
    });
  }

  QTcpServer* m_server = nullptr;
  QTcpServer* m_passive = nullptr;
  QPointer<QTcpSocket> m_control;
  QByteArray m_buffer;
  std::deque<Step> m_pending;
  bool m_busy = false;
  int m_generation = 0;  // bumped when a control connection closes or a new one arrives
  QString m_activeHost;
  quint16 m_activePort = 0;
};

ScriptedFtpServer::ScriptedFtpServer() : m_thread(std::make_unique<QThread>()) {
  m_core = new ScriptedServerCore();
  m_core->moveToThread(m_thread.get());
  m_thread->start();
  m_core->BlockingCall([core = m_core] { core->Init(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  m_core->BlockingCall([core = m_core] { delete core; });
  m_thread->quit();
  m_thread->wait(10000);
}

void ScriptedFtpServer::AnswerLogins() {
  Always(QStringLiteral("USER"), "331 Password required.\r\n");
  Always(QStringLiteral("PASS"), "230 Logged in.\r\n");
  Always(QStringLiteral("SYST"), "215 UNIX Type: L8\r\n");
  Always(QStringLiteral("TYPE"), "200 Type set.\r\n");
  Always(QStringLiteral("REST"), "350 Restarting.\r\n");
}

quint16 ScriptedFtpServer::Port() const {
  return m_core->m_port;
}

void ScriptedFtpServer::SetGreeting(const ScriptedReply& reply) {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  m_core->m_greeting = reply;
}

void ScriptedFtpServer::Expect(const QString& commandPrefix, const ScriptedReply& reply) {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  m_core->m_expectations.emplace_back(commandPrefix, reply);
}

void ScriptedFtpServer::Always(const QString& commandPrefix, const ScriptedReply& reply) {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  m_core->m_always.emplace_back(commandPrefix, reply);
}

QStringList ScriptedFtpServer::Received() const {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  return m_core->m_received;
}

QList<QByteArray> ScriptedFtpServer::ReceivedRaw() const {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  return m_core->m_receivedRaw;
}

QStringList ScriptedFtpServer::Unexpected() const {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  return m_core->m_unexpected;
}

QByteArray ScriptedFtpServer::ReceivedData() const {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  return m_core->m_receivedData;
}

int ScriptedFtpServer::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  return m_core->m_connections;
}

int ScriptedFtpServer::PendingExpectations() const {
  std::lock_guard<std::mutex> lock(m_core->m_mutex);
  return static_cast<int>(m_core->m_expectations.size());
}

bool ScriptedFtpServer::WaitUntil(const std::function<bool()>& condition, int timeoutMs) const {
  // Pumps the caller's events too, so a client on the caller's thread keeps going.
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    if (QCoreApplication::instance() != nullptr) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QThread::msleep(2);
  }
  return true;
}

bool ScriptedFtpServer::WaitForCommandCount(int count, int timeoutMs) const {
  return WaitUntil([this, count] { return Received().size() >= count; }, timeoutMs);
}

bool ScriptedFtpServer::WaitForConnectionCount(int count, int timeoutMs) const {
  return WaitUntil([this, count] { return ConnectionCount() >= count; }, timeoutMs);
}

}  // namespace testsupport
