#include <gtest/gtest.h>

#include <QDir>
#include <functional>

#include "core/settings/GlobalOptions.h"
#include "core/settings/RegistryPaths.h"
#include "support/TestPaths.h"

namespace {

const QString kKey = RegistryPaths::GlobalOptionsKey();

TEST(GlobalOptions, DefaultsWhenNothingIsStored) {
  RegistryStore store;
  TGlobalOptions options;
  options.LoadGlobalOptions(store);
  EXPECT_EQ(options.ASCIIFileExts(),
            QStringList({".txt", ".htm", ".html", ".c", ".cpp", ".h", ".hpp"}));
  EXPECT_EQ(options.FontName, "Tahoma");
  EXPECT_EQ(options.FontSize, 8);
  EXPECT_EQ(options.ActiveBarColor, -16777214);
  EXPECT_EQ(options.InactiveBarColor, -16777213);
  EXPECT_EQ(options.LoggedinWav, "Loggedin.wav");
  EXPECT_EQ(options.TransferDoneWav, "TransferDone.wav");
  EXPECT_EQ(options.ErrorWav, "Error.wav");
  EXPECT_EQ(options.FTPProxyType, 0);
  EXPECT_EQ(options.FTPProxyPort, 21);
  EXPECT_EQ(options.Timeout, 30);
  EXPECT_TRUE(options.TempDownloadFolder.endsWith(QDir::separator()));
  EXPECT_TRUE(options.Email.contains('@'));
}

TEST(GlobalOptions, LoadRules) {
  auto dir = testsupport::MakeTempDir();
  struct Case {
    const char* what;
    std::function<void(RegistryStore&)> store;
    std::function<void(const TGlobalOptions&)> check;
  } cases[] = {
      {"font size capped", [](RegistryStore& s) { s.WriteInteger(kKey, "FontSize", 12); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.FontSize, 9); }},
      {"small font size kept", [](RegistryStore& s) { s.WriteInteger(kKey, "FontSize", 7); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.FontSize, 7); }},
      {"extensions trimmed and lowered",
       [](RegistryStore& s) { s.WriteString(kKey, "ASCIIFileExts", " .TXT ;; .Log;.md ;"); },
       [](const TGlobalOptions& o) {
         EXPECT_EQ(o.ASCIIFileExts(), QStringList({".txt", ".log", ".md"}));
       }},
      {"blank piece gives an empty entry",
       [](RegistryStore& s) { s.WriteString(kKey, "ASCIIFileExts", ".a;  ;.b;"); },
       [](const TGlobalOptions& o) {
         EXPECT_EQ(o.ASCIIFileExts(), QStringList({".a", "", ".b"}));
       }},
      {"empty extensions keep defaults",
       [](RegistryStore& s) { s.WriteString(kKey, "ASCIIFileExts", ""); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.ASCIIFileExts().size(), 7); }},
      {"empty e-mail keeps default", [](RegistryStore& s) { s.WriteString(kKey, "Email", ""); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.Email, TGlobalOptions::DefaultEmail()); }},
      {"empty proxy server ignored",
       [](RegistryStore& s) { s.WriteString(kKey, "FTPProxyServer", ""); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.FTPProxyServer, ""); }},
      {"missing temp folder ignored",
       [](RegistryStore& s) { s.WriteString(kKey, "TempDownloadFolder", "/no/such/folder"); },
       [](const TGlobalOptions& o) {
         EXPECT_EQ(o.TempDownloadFolder, TGlobalOptions().TempDownloadFolder);
       }},
      {"existing temp folder gets a delimiter",
       [&dir](RegistryStore& s) { s.WriteString(kKey, "TempDownloadFolder", dir->path()); },
       [&dir](const TGlobalOptions& o) {
         EXPECT_EQ(o.TempDownloadFolder, dir->path() + QDir::separator());
       }},
      {"timeout taken as stored", [](RegistryStore& s) { s.WriteInteger(kKey, "Timeout", 0); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.Timeout, 0); }},
      {"negative timeout clamped to 0",
       [](RegistryStore& s) { s.WriteInteger(kKey, "Timeout", -5); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.Timeout, 0); }},
      {"huge timeout clamped to a day",
       [](RegistryStore& s) { s.WriteInteger(kKey, "Timeout", 2000000000); },
       [](const TGlobalOptions& o) { EXPECT_EQ(o.Timeout, 86400); }},
      {"wrong types keep defaults",
       [](RegistryStore& s) {
         s.WriteString(kKey, "FontSize", "9");
         s.WriteInteger(kKey, "FontName", 3);
         s.WriteString(kKey, "FTPProxyPort", "8021");
         s.WriteString(kKey, "Timeout", "5");
       },
       [](const TGlobalOptions& o) {
         EXPECT_EQ(o.Timeout, 30);
         EXPECT_EQ(o.FontSize, 8);
         EXPECT_EQ(o.FontName, "Tahoma");
         EXPECT_EQ(o.FTPProxyPort, 21);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryStore store;
    store.CreateKey(kKey);
    c.store(store);
    TGlobalOptions options;
    options.LoadGlobalOptions(store);
    c.check(options);
  }
}

TEST(GlobalOptions, SaveWritesEveryValueWithItsType) {
  RegistryStore store;
  TGlobalOptions options;
  options.FTPProxyType = 1;
  options.FTPProxyServer = "proxy.example.com";
  options.FTPProxyPort = 8021;
  options.Timeout = 120;
  options.SaveGlobalOptions(store);
  EXPECT_EQ(store.ValueNames(kKey),
            QStringList({"FontName", "FontSize", "ActiveBarColor", "InactiveBarColor", "Email",
                         "ASCIIFileExts", "TempDownloadFolder", "LoggedinWav", "ErrorWav",
                         "TransferDoneWav", "PingApp", "TelnetApp", "FTPProxyType",
                         "FTPProxyServer", "FTPProxyPort", "Timeout"}));
  EXPECT_EQ(store.ReadString(kKey, "ASCIIFileExts"), QString(".txt;.htm;.html;.c;.cpp;.h;.hpp;"));
  EXPECT_EQ(store.ReadInteger(kKey, "ActiveBarColor"), -16777214);
  for (const char* integer : {"FontSize", "ActiveBarColor", "InactiveBarColor", "FTPProxyType",
                              "FTPProxyPort", "Timeout"}) {
    EXPECT_EQ(store.TypeOf(kKey, integer), RegistryStore::ValueType::Integer) << integer;
  }
  TGlobalOptions loaded;
  loaded.LoadGlobalOptions(store);
  EXPECT_EQ(loaded.FTPProxyType, 1);
  EXPECT_EQ(loaded.FTPProxyServer, "proxy.example.com");
  EXPECT_EQ(loaded.FTPProxyPort, 8021);
  EXPECT_EQ(loaded.Timeout, 120);
  EXPECT_EQ(loaded.ASCIIFileExts(), options.ASCIIFileExts());
}

TEST(GlobalOptions, WorkersShareTheListNotACopy) {
  TGlobalOptions options;
  const std::shared_ptr<AsciiExtensionList> shared = options.ASCIIExts();
  options.SetASCIIFileExts({".md"});
  EXPECT_EQ(*shared->Get(), QStringList{".md"});
}

}  // namespace
