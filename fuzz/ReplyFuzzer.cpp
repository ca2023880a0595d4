// The control connection's reply reader, fed by a server on 127.0.0.1 in the input's pieces.
//
// Input: the first byte holds options (bit 0: a line may end with LF alone); the rest is what
// the server sends, cut into separate sends at each 0xFF byte. After each send has been read
// the engine, when it is ready, issues the next command of a fixed round (PWD, CWD, SIZE,
// SYST, MKD), so banners, multi-line replies, long lines and garbage all meet a waiting
// request. At the end the server hangs up.
//
// Checked: no memory or undefined-behaviour fault; no reply line longer than the reader's
// buffer or holding a line break; every request that started ends with exactly one done
// event once the server has gone, and the engine is left ready for the next
// request (no hang).
#include <sys/ioctl.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "FuzzCheck.h"
#include "core/common/WireText.h"
#include "core/ftp/FtpClientEx.h"

namespace {

constexpr int kReplyBufferLimit = 4095;  // the reader keeps one byte of its 4096 free

QTcpServer* Server() {
  static QTcpServer* server = [] {
    auto* s = new QTcpServer;
    if (!s->listen(QHostAddress::LocalHost, 0)) std::abort();
    return s;
  }();
  return server;
}

// Runs the event loop until `done` holds, for at most two seconds.
bool PumpUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 2000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    if (!done()) QThread::usleep(20);
  }
  return true;
}

// Bytes sent to `socket` that its owner has not read yet: Qt's buffer and the kernel's.
qint64 Unread(const QPointer<QTcpSocket>& socket) {
  if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState) return 0;
  int pending = 0;
  ::ioctl(int(socket->socketDescriptor()), FIONREAD, &pending);
  return socket->bytesAvailable() + pending;
}

void CheckReplyLine(const TCustomFtpClientEx& engine, bool acceptLF) {
  const QByteArray line = EncodeWireText(engine.LastResponse);
  FuzzCheck(line.size() <= kReplyBufferLimit,
            QStringLiteral("reply line of %1 bytes").arg(line.size()));
  FuzzCheck(!line.endsWith('\r') && !line.endsWith('\n'), QStringLiteral("line break kept"));
  if (acceptLF) FuzzCheck(!line.contains('\n'), QStringLiteral("LF inside a reply line"));
}

// Starts the next command of the round; false when the engine refused it.
bool IssueNext(TFtpClientEx& engine, int& round) {
  engine.HostDirName = QStringLiteral("/pub");
  engine.HostFileName = QStringLiteral("file.txt");
  try {
    switch (round++ % 5) {
      case 0:
        engine.PwdAsync();
        break;
      case 1:
        engine.CwdAsync();
        break;
      case 2:
        engine.SizeAsync();
        break;
      case 3:
        engine.SystAsync();
        break;
      default:
        engine.MkdAsync();
        break;
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  Server();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool acceptLF = (data[0] & 1) != 0;
  const QList<QByteArray> sends =
      QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)).split('\xFF');

  QTcpServer* server = Server();
  auto engine = std::make_unique<TFtpClientEx>();
  engine->HostName = QStringLiteral("127.0.0.1");
  engine->Port = QString::number(server->serverPort());
  engine->Options = acceptLF ? TFtpOptions(ftpAcceptLF) : TFtpOptions();
  int started = 0;
  int done = 0;
  engine->OnRequestDone = [&](TCustomFtpClientEx*, TFtpRequest, quint16) { ++done; };
  engine->OnResponse = [&](TCustomFtpClientEx* sender) { CheckReplyLine(*sender, acceptLF); };

  engine->OpenAsync();
  ++started;
  FuzzCheck(PumpUntil([&] { return server->hasPendingConnections(); }),
            QStringLiteral("the engine did not connect"));
  std::unique_ptr<QTcpSocket> peer(server->nextPendingConnection());
  FuzzCheck(PumpUntil([&] { return engine->Connected; }),
            QStringLiteral("the connection was not reported"));
  // The engine lets go of its socket when it closes the connection.
  const QPointer<QTcpSocket> client = engine->ControlSocket()->findChild<QTcpSocket*>();

  int round = 0;
  for (const QByteArray& piece : sends) {
    if (peer->state() != QAbstractSocket::ConnectedState || !engine->Connected) break;
    peer->write(piece);
    peer->flush();
    // A request that ends posts its done event: let it arrive before the next one starts.
    PumpUntil([&] {
      return Unread(client) == 0 && (engine->State() != ftpStateReady || started == done);
    });
    if (engine->Connected && engine->State() == ftpStateReady && started == done &&
        IssueNext(*engine, round)) {
      ++started;
    }
  }
  peer->disconnectFromHost();
  const bool settled = PumpUntil([&] {
    return !engine->Connected && started == done &&
           (engine->State() == ftpStateReady || engine->State() == ftpStateStepReady ||
            engine->State() == ftpStateNotConnected);
  });
  FuzzCheck(settled, QStringLiteral("after the hang-up: %1 requests, %2 done, state %3")
                         .arg(started)
                         .arg(done)
                         .arg(int(engine->State())));
  engine.reset();
  peer.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
