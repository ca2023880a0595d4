#include <gtest/gtest.h>

#include "core/settings/SiteProperties.h"

namespace {

const QString kKey = "\\Software\\Vornalo Explorer\\SiteBook\\Tree\\Folder\\Site";

void ExpectDefaults(const TSiteProperties& s, bool exceptHost = false) {
  if (!exceptHost) {
    EXPECT_EQ(s.HostName, "");
  }
  EXPECT_EQ(s.Port, 21);
  EXPECT_EQ(s.UserName, "");
  EXPECT_EQ(s.Password, "");
  EXPECT_EQ(s.InitialFolder, "");
  EXPECT_EQ(s.LoginRetry, 10);
  EXPECT_EQ(s.ReloginDelay, 3);
  EXPECT_TRUE(s.RememberLastVisitFolder);
  EXPECT_FALSE(s.ResumeTransfer);
  EXPECT_EQ(s.TransferType, ftpTypeAuto);
  EXPECT_TRUE(s.PassiveMode);
  EXPECT_EQ(s.ListOption, "-a");
  EXPECT_EQ(s.SiteNode, nullptr);
  EXPECT_FALSE(s.QuickConnect);
}

TEST(SiteProperties, DefaultsAndAHostOnlyKey) {
  ExpectDefaults(TSiteProperties());
  RegistryStore store;
  store.CreateKey(kKey);
  store.WriteString(kKey, "HostName", "ftp.example.com");
  TSiteProperties site;
  ReadSiteProperties(site, kKey, store);
  EXPECT_EQ(site.HostName, "ftp.example.com");
  ExpectDefaults(site, true);
}

TEST(SiteProperties, MissingKeyLeavesTheRecordAlone) {
  RegistryStore store;
  TSiteProperties site;
  site.HostName = "kept";
  site.Port = 2121;
  ReadSiteProperties(site, kKey, store);
  EXPECT_EQ(site.HostName, "kept");
  EXPECT_EQ(site.Port, 2121);
}

TEST(SiteProperties, EmptyStoredStringsAndWrongTypes) {
  RegistryStore store;
  store.CreateKey(kKey);
  store.WriteString(kKey, "HostName", "");
  store.WriteString(kKey, "ListOption", "");
  store.WriteString(kKey, "Port", "2121");          // wrong type: ignored
  store.WriteString(kKey, "PassiveMode", "0");      // wrong type: ignored
  store.WriteInteger(kKey, "UserName", 5);          // wrong type: ignored
  store.WriteInteger(kKey, "ResumeTransfer", 7);    // any non-zero is true
  store.WriteInteger(kKey, "TransferType", 0x101);  // low byte only
  TSiteProperties site;
  site.HostName = "already.example.com";
  ReadSiteProperties(site, kKey, store);
  EXPECT_EQ(site.HostName, "already.example.com");
  EXPECT_EQ(site.ListOption, "");
  EXPECT_EQ(site.Port, 21);
  EXPECT_TRUE(site.PassiveMode);
  EXPECT_EQ(site.UserName, "");
  EXPECT_TRUE(site.ResumeTransfer);
  EXPECT_EQ(site.TransferType, ftpTypeBinary);
}

TEST(SiteProperties, WriteThenReadRoundTripsTheStoredFieldsOnly) {
  RegistryStore store;
  store.CreateKey(kKey);
  store.WriteInteger(kKey, "LogPanelHeight", 120);  // someone else's value stays
  TSiteProperties written;
  written.HostName = "h";
  written.Port = 990;
  written.UserName = "u";
  written.Password = "p w";
  written.InitialFolder = "/pub/ü";
  written.LoginRetry = 0;
  written.ReloginDelay = 30;
  written.RememberLastVisitFolder = false;
  written.ResumeTransfer = true;
  written.TransferType = ftpTypeASCII;
  written.PassiveMode = false;
  written.ListOption = "-la";
  written.QuickConnect = true;
  WriteSiteProperties(written, kKey, store);

  EXPECT_EQ(store.ValueNames(kKey),
            QStringList({"LogPanelHeight", "HostName", "Port", "UserName", "Password",
                         "RememberLastVisitFolder", "InitialFolder", "LoginRetry", "ReloginDelay",
                         "ResumeTransfer", "TransferType", "PassiveMode", "ListOption"}));
  EXPECT_EQ(store.ReadInteger(kKey, "RememberLastVisitFolder"), 0);
  EXPECT_EQ(store.ReadInteger(kKey, "ResumeTransfer"), 1);
  EXPECT_EQ(store.ReadInteger(kKey, "TransferType"), 0);
  EXPECT_EQ(store.ReadInteger(kKey, "LogPanelHeight"), 120);

  TSiteProperties read;
  ReadSiteProperties(read, kKey, store);
  EXPECT_EQ(read.HostName, "h");
  EXPECT_EQ(read.Port, 990);
  EXPECT_EQ(read.UserName, "u");
  EXPECT_EQ(read.Password, "p w");
  EXPECT_EQ(read.InitialFolder, "/pub/ü");
  EXPECT_EQ(read.LoginRetry, 0);
  EXPECT_EQ(read.ReloginDelay, 30);
  EXPECT_FALSE(read.RememberLastVisitFolder);
  EXPECT_TRUE(read.ResumeTransfer);
  EXPECT_EQ(read.TransferType, ftpTypeASCII);
  EXPECT_FALSE(read.PassiveMode);
  EXPECT_EQ(read.ListOption, "-la");
  EXPECT_FALSE(read.QuickConnect);  // never stored
}

}  // namespace
