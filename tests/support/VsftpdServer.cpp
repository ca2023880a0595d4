#include "support/VsftpdServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "support/TestPaths.h"

#include <cstdio>

namespace testsupport {

namespace {

const char kPamService[] = "vornalo-test-vsftpd";

// Logins are virtual users checked by a PAM service of our own against a password file that
// holds the launcher's one user. Written atomically, since parallel tests may do it at once.
bool InstallPamService(QString* error) {
  const QString passwords = QStringLiteral("/etc/vornalo-test-vsftpd.passwd");
  // crypt(3) SHA-512 hash of VsftpdServer::Password().
  const QByteArray passwordFile =
      VsftpdServer::User().toUtf8() +
      ":$6$vornalotest$95BhSf.XfXZTiBiVc27J2buO2nh5Ytl0eJ016p1v0O4AmAuOtHy5OQR15geihcnwydxBfI0."
      "LaD62K1n0L.DS0\n";
  const QByteArray pam = "auth required pam_pwdfile.so pwdfile=" + passwords.toUtf8() +
                         "\naccount required pam_permit.so\n";
  const auto install = [error](const QString& path, const QByteArray& content) {
    if (ReadFile(path) == content) return true;
    const QString temp = path + QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
    if (!WriteFile(temp, content) ||
        ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
      if (error)
        *error = QStringLiteral("cannot write %1 (the vsftpd tests run as root)").arg(path);
      return false;
    }
    return true;
  };
  if (!QFile::exists(QStringLiteral("/lib/x86_64-linux-gnu/security/pam_pwdfile.so")) &&
      !QFile::exists(QStringLiteral("/usr/lib/x86_64-linux-gnu/security/pam_pwdfile.so"))) {
    if (error) *error = QStringLiteral("pam_pwdfile is missing (Debian package libpam-pwdfile)");
    return false;
  }
  return install(passwords, passwordFile) &&
         install(QStringLiteral("/etc/pam.d/") + QLatin1String(kPamService), pam);
}

}  // namespace

bool VsftpdServer::Start(const Options& options, QString* error) {
  Stop();
  if (!InstallPamService(error)) return false;
  m_dir = MakeTempDir(QStringLiteral("vsftpd"));
  if (!m_dir) {
    if (error) *error = QStringLiteral("cannot create a temporary folder");
    return false;
  }
  const QDir dir(m_dir->path());
  // vsftpd insists that the folders above its chroot are reachable and the empty folder of
  // its privilege separation is owned by root and not writable by others.
  QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                           QFile::ExeGroup);
  m_root = dir.filePath(QStringLiteral("root"));
  const QString empty = dir.filePath(QStringLiteral("empty"));
  dir.mkpath(m_root);
  dir.mkpath(empty);
  QFile::setPermissions(m_root, QFile::Permissions(0x7777));  // anonymous writes as user ftp
  QFile::setPermissions(empty, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                   QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                   QFile::ExeGroup);
  const QString logFile = dir.filePath(QStringLiteral("log.txt"));
  const QString vsftpLog = dir.filePath(QStringLiteral("vsftpd.log"));

  QString lastError;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const quint16 port = FreeLocalPort();
    const int pasvMin = 20000 + QRandomGenerator::global()->bounded(40000);
    QStringList config{
        QStringLiteral("listen=YES"),
        QStringLiteral("listen_ipv6=NO"),
        QStringLiteral("listen_address=127.0.0.1"),
        QStringLiteral("listen_port=%1").arg(port),
        QStringLiteral("background=NO"),
        QStringLiteral("anonymous_enable=NO"),
        QStringLiteral("local_enable=YES"),
        QStringLiteral("guest_enable=YES"),
        QStringLiteral("guest_username=ftp"),
        QStringLiteral("virtual_use_local_privs=YES"),
        QStringLiteral("pam_service_name=%1").arg(QLatin1String(kPamService)),
        QStringLiteral("local_root=%1").arg(m_root),
        QStringLiteral("chroot_local_user=YES"),
        QStringLiteral("allow_writeable_chroot=YES"),
        QStringLiteral("write_enable=YES"),
        QStringLiteral("local_umask=022"),
        QStringLiteral("ftp_username=ftp"),
        QStringLiteral("secure_chroot_dir=%1").arg(empty),
        QStringLiteral("seccomp_sandbox=NO"),
        QStringLiteral("isolate=NO"),
        QStringLiteral("isolate_network=NO"),
        QStringLiteral("pasv_enable=YES"),
        QStringLiteral("pasv_min_port=%1").arg(pasvMin),
        QStringLiteral("pasv_max_port=%1").arg(pasvMin + 50),
        QStringLiteral("connect_from_port_20=NO"),
        QStringLiteral("xferlog_enable=YES"),
        QStringLiteral("vsftpd_log_file=%1").arg(vsftpLog),
        QStringLiteral("log_ftp_protocol=YES"),
        QStringLiteral("max_per_ip=0"),
        QStringLiteral("max_clients=0"),
        QStringLiteral("ftpd_banner=vsftpd test server ready."),
    };
    if (options.promiscuous) {
      config << QStringLiteral("pasv_promiscuous=YES") << QStringLiteral("port_promiscuous=YES");
    }
    config << options.extraConfig;
    const QString configFile = dir.filePath(QStringLiteral("vsftpd.conf"));
    WriteFile(configFile, (config.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    if (!m_process.Start(QStringLiteral("/usr/sbin/vsftpd"), {configFile}, logFile, error)) {
      return false;
    }
    if (WaitForFtpGreeting(port, 5000)) {
      m_port = port;
      return true;
    }
    lastError = LogText();
    m_process.Stop();
  }
  if (error) *error = QStringLiteral("vsftpd did not come up:\n") + lastError;
  return false;
}

void VsftpdServer::Stop() {
  m_process.Stop();
  m_port = 0;
}

QString VsftpdServer::LogText() const {
  QString text = m_process.LogText();
  if (m_dir) {
    QFile file(QDir(m_dir->path()).filePath(QStringLiteral("vsftpd.log")));
    if (file.open(QIODevice::ReadOnly)) text += QString::fromUtf8(file.readAll());
  }
  return text;
}

}  // namespace testsupport
