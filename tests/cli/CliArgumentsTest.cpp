#include <gtest/gtest.h>

#include "cli/CliArguments.h"
#include "cli/FtpUrl.h"

namespace {

TEST(FtpUrl, ParsesAddresses) {
  struct Case {
    const char* text;
    bool ok;
    const char *user, *host, *port, *folder;
  } cases[] = {
      {"ftp://ftp.example.com", true, "", "ftp.example.com", "21", ""},
      {"ftp://bob@ftp.example.com:2121/pub/incoming/", true, "bob", "ftp.example.com", "2121",
       "/pub/incoming"},
      {"FTP://me%40corp@127.0.0.1/a%20b", true, "me@corp", "127.0.0.1", "21", "/a b"},
      {"ftp://[::1]:21/", true, "", "::1", "21", "/"},
      {"http://example.com", false, "", "", "", ""},
      {"ftp://", false, "", "", "", ""},
      {"ftp://host:0", false, "", "", "", ""},
      {"ftp://host:70000", false, "", "", "", ""},
      {"ftp://host:-1", false, "", "", "", ""},
      {"ftp://host:x", false, "", "", "", ""},
      {"ftp://bob:pw@host", false, "", "", "", ""},  // no passwords on the command line
      {"ftp://@host", false, "", "", "", ""},
  };
  for (const Case& c : cases) {
    TFtpUrl url;
    QString error;
    ASSERT_EQ(TFtpUrl::Parse(c.text, url, &error), c.ok) << c.text << " " << error.toStdString();
    if (!c.ok) {
      EXPECT_FALSE(error.isEmpty()) << c.text;
      continue;
    }
    EXPECT_EQ(url.User, c.user) << c.text;
    EXPECT_EQ(url.Host, c.host) << c.text;
    EXPECT_EQ(url.Port, c.port) << c.text;
    EXPECT_EQ(url.Folder, c.folder) << c.text;
  }
}

TEST(FtpUrl, ResolvesRemoteNames) {
  EXPECT_EQ(ResolveRemotePath("/pub", "a.txt"), "/pub/a.txt");
  EXPECT_EQ(ResolveRemotePath("/pub", "/etc/x"), "/etc/x");
  EXPECT_EQ(ResolveRemotePath("/pub/sub", "../b"), "/pub/b");
  EXPECT_EQ(ResolveRemotePath("/", "../../x"), "/x");
  EXPECT_EQ(ResolveRemotePath("", "x/./y/"), "/x/y");
  EXPECT_EQ(RemoteParent("/pub/a"), "/pub");
  EXPECT_EQ(RemoteParent("/a"), "/");
  EXPECT_EQ(RemoteBaseName("/pub/a"), "a");
}

TEST(CliArguments, OptionsCommandsAndErrors) {
  TCliArguments args;
  QString error;
  ASSERT_TRUE(ParseCliArguments({"--active", "--type", "ascii", "--resume", "--retries", "5",
                                 "--delay", "0", "--socks5", "127.0.0.1:1080", "--socks-user", "u",
                                 "--quiet", "ftp://h/p", "chmod", "-R", "644", "a", "b"},
                                args, &error))
      << error.toStdString();
  EXPECT_TRUE(args.Active);
  EXPECT_EQ(args.Type, ftpTypeASCII);
  EXPECT_TRUE(args.Resume);
  EXPECT_EQ(args.Retries, 5);
  EXPECT_EQ(args.Delay, 0);
  EXPECT_EQ(args.Socks, ftpSocks5);
  EXPECT_EQ(args.SocksHost, "127.0.0.1");
  EXPECT_EQ(args.SocksPort, "1080");
  EXPECT_EQ(args.SocksUser, "u");
  EXPECT_TRUE(args.Quiet);
  EXPECT_EQ(args.Command, "chmod");
  EXPECT_EQ(args.Args, QStringList({"-R", "644", "a", "b"}));

  const QStringList bad[] = {
      {},
      {"ftp://h"},
      {"ftp://h", "frobnicate"},
      {"ftp://h", "get", "only-one"},
      {"ftp://h", "rename", "a"},
      {"ftp://h", "pwd", "extra"},
      {"ftp://h", "chmod", "-R", "644"},
      {"--type", "ebcdic", "ftp://h", "pwd"},
      {"--retries", "many", "ftp://h", "pwd"},
      {"--socks5", "nohostport", "ftp://h", "pwd"},
      {"--ftp-proxy", "p:99999", "ftp://h", "pwd"},
      {"--ftp-proxy", "p", "--socks4", "s:1", "ftp://h", "pwd"},
      {"--bogus", "ftp://h", "pwd"},
      {"--type"},
  };
  for (const QStringList& line : bad) {
    TCliArguments ignored;
    error.clear();
    EXPECT_FALSE(ParseCliArguments(line, ignored, &error)) << line.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty()) << line.join(' ').toStdString();
  }
  TCliArguments help;
  EXPECT_TRUE(ParseCliArguments({"--help"}, help, &error));
  EXPECT_TRUE(CliUsage().contains("--timeout SECONDS"));
  EXPECT_TRUE(help.Help);
  TCliArguments proxy;
  ASSERT_TRUE(
      ParseCliArguments({"--ftp-proxy", "proxy.example.com", "ftp://h", "pwd"}, proxy, &error));
  EXPECT_EQ(proxy.FtpProxyPort, "21");
}

TEST(CliArguments, TimeoutIsAWholeNumberOfSecondsUpToADay) {
  TCliArguments defaults;
  QString error;
  ASSERT_TRUE(ParseCliArguments({"ftp://h", "pwd"}, defaults, &error));
  EXPECT_EQ(defaults.Timeout, 30);
  const struct {
    const char* value;
    int expected;  // -1: a usage error
  } cases[] = {{"0", 0},   {"1", 1},    {"86400", 86400}, {"007", 7},     {"86401", -1},
               {"-1", -1}, {"1.5", -1}, {"", -1},         {"thirty", -1}, {"99999999999", -1},
               {"+5", -1}, {" 5", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TCliArguments args;
    error.clear();
    const bool ok = ParseCliArguments({"--timeout", c.value, "ftp://h", "pwd"}, args, &error);
    EXPECT_EQ(ok, c.expected >= 0) << error.toStdString();
    if (ok) {
      EXPECT_EQ(args.Timeout, c.expected);
    } else {
      EXPECT_TRUE(error.contains("--timeout")) << error.toStdString();
    }
  }
  TCliArguments missing;
  EXPECT_FALSE(ParseCliArguments({"--timeout"}, missing, &error));
  EXPECT_TRUE(error.contains("--timeout")) << error.toStdString();
}

}  // namespace
