#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "core/settings/RegistryKey.h"
#include "core/settings/RegistryStore.h"
#include "support/TestPaths.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::MakeTempDir("registry");
    ASSERT_TRUE(dir);
    path = dir->filePath("registry.reg");
  }
  QString Text() { return QString::fromUtf8(ReadFile(path)); }
  QStringList FilesInDir() { return QDir(dir->path()).entryList(QDir::Files, QDir::Name); }

  std::unique_ptr<QTemporaryDir> dir;
  QString path;
};

TEST_F(RegistryStoreTest, KeysCompareWithoutCaseAndKeepTheirCase) {
  RegistryStore store(path);
  ASSERT_TRUE(store.CreateKey("\\Software\\Vornalo Explorer\\SiteBook\\Tree\\My Sites"));
  EXPECT_TRUE(store.KeyExists("software\\VORNALO EXPLORER\\sitebook\\tree\\my sites"));
  EXPECT_EQ(store.SubKeyNames("\\Software\\Vornalo Explorer\\SiteBook\\Tree"),
            QStringList{"My Sites"});
  ASSERT_TRUE(store.WriteInteger("\\software\\vornalo explorer", "Port", 21));
  ASSERT_TRUE(store.WriteInteger("\\Software\\Vornalo Explorer", "PORT", 22));
  EXPECT_EQ(store.ValueNames("\\Software\\Vornalo Explorer"), QStringList{"Port"});
  EXPECT_EQ(store.ReadInteger("\\Software\\Vornalo Explorer", "port"), 22);
}

TEST_F(RegistryStoreTest, ReadsCheckTheStoredType) {
  RegistryStore store(path);
  store.CreateKey("\\K");
  store.WriteString("\\K", "Port", "21");
  store.WriteInteger("\\K", "Count", -5);
  EXPECT_FALSE(store.ReadInteger("\\K", "Port").has_value());  // not converted
  EXPECT_FALSE(store.ReadString("\\K", "Count").has_value());
  EXPECT_EQ(store.ReadString("\\K", "Port"), QString("21"));
  EXPECT_EQ(store.ReadInteger("\\K", "Count"), -5);
  EXPECT_FALSE(store.ReadString("\\K", "Missing").has_value());
  EXPECT_FALSE(store.ReadString("\\Nope", "Port").has_value());
  EXPECT_FALSE(store.WriteString("\\Nope", "Port", "x"));  // writes need an existing key
}

TEST_F(RegistryStoreTest, SavesInRegFormatAndLoadsBack) {
  {
    RegistryStore store(path);
    RegistryKey key(store);
    ASSERT_TRUE(key.OpenKey("\\Software\\Vornalo Explorer\\SiteBook\\Tree\\Work [1]", true));
    key.WriteString("", "Site");
    key.WriteString("HostName", "ftp.example.com");
    key.WriteInteger("Port", 21);
    key.WriteBool("PassiveMode", true);
    key.WriteString("Tricky", "a \"quoted\" \\ back\nslash");
    key.WriteInteger("Negative", -16777214);
    key.CloseKey();
  }
  const QString text = Text();
  EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n")) << text.toStdString();
  EXPECT_TRUE(
      text.contains("[HKEY_CURRENT_USER\\Software\\Vornalo Explorer\\SiteBook\\Tree\\Work [1]]\n"
                    "@=\"Site\"\n\"HostName\"=\"ftp.example.com\"\n\"Port\"=dword:00000015\n"
                    "\"PassiveMode\"=dword:00000001\n"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("\"Negative\"=dword:ff000002"));

  RegistryStore loaded(path);
  const auto result = loaded.Load();
  EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
  const QString key = "\\Software\\Vornalo Explorer\\SiteBook\\Tree\\Work [1]";
  EXPECT_EQ(loaded.ReadString(key, ""), QString("Site"));
  EXPECT_EQ(loaded.ReadString(key, "Tricky"), QString("a \"quoted\" \\ back\nslash"));
  EXPECT_EQ(loaded.ReadInteger(key, "Negative"), -16777214);
  EXPECT_EQ(loaded.ToText(), text);
  EXPECT_EQ(FilesInDir(), QStringList{"registry.reg"});  // atomic save leaves no temp files
}

TEST_F(RegistryStoreTest, DeleteMoveAndRenameWholeSubtrees) {
  RegistryStore store(path);
  store.CreateKey("\\T\\Folder\\Site A");
  store.WriteString("\\T\\Folder\\Site A", "HostName", "a");
  store.CreateKey("\\T\\Folder\\Sub\\Site B");
  QString error;

  ASSERT_TRUE(store.RenameKey("\\T\\Folder", "Renamed", &error)) << error.toStdString();
  EXPECT_FALSE(store.KeyExists("\\T\\Folder"));
  EXPECT_EQ(store.ReadString("\\T\\Renamed\\Site A", "HostName"), QString("a"));
  EXPECT_TRUE(store.KeyExists("\\T\\Renamed\\Sub\\Site B"));

  EXPECT_TRUE(store.RenameKey("\\T\\Renamed", "RENAMED", &error));  // a change of case
  EXPECT_EQ(store.SubKeyNames("\\T"), QStringList{"RENAMED"});

  store.CreateKey("\\T\\Other");
  EXPECT_FALSE(store.MoveKey("\\T\\Renamed", "\\T\\other", &error));  // target exists
  EXPECT_FALSE(store.MoveKey("\\T\\Renamed", "\\T\\Renamed\\Sub\\Inside", &error));
  EXPECT_FALSE(store.MoveKey("\\T\\Missing", "\\T\\Elsewhere", &error));

  EXPECT_TRUE(store.DeleteKey("\\T\\Renamed"));
  EXPECT_FALSE(store.KeyExists("\\T\\Renamed\\Sub\\Site B"));
  EXPECT_FALSE(store.DeleteKey("\\T\\Renamed"));

  RegistryStore loaded(path);
  loaded.Load();
  EXPECT_EQ(loaded.SubKeyNames("\\T"), QStringList{"Other"});  // every change was saved
}

TEST_F(RegistryStoreTest, SingleKeyNamesRefuseBackslashes) {
  RegistryStore store(path);
  store.CreateKey("\\T\\Site");
  QString error;
  EXPECT_FALSE(store.CreateChildKey("\\T", "a\\b", &error));
  EXPECT_TRUE(error.contains("backslash")) << error.toStdString();
  EXPECT_FALSE(store.KeyExists("\\T\\a"));
  EXPECT_FALSE(store.RenameKey("\\T\\Site", "x\\y", &error));
  EXPECT_TRUE(store.KeyExists("\\T\\Site"));
  EXPECT_FALSE(store.CreateChildKey("\\T", "   ", &error));
  EXPECT_FALSE(store.CreateChildKey("\\T", "line\nbreak", &error));
  EXPECT_TRUE(store.CreateChildKey("\\T", "odd ]=\"; name", &error));
  RegistryStore loaded(path);
  EXPECT_TRUE(loaded.Load().problems.isEmpty());
  EXPECT_TRUE(loaded.KeyExists("\\T\\odd ]=\"; name"));
}

TEST_F(RegistryStoreTest, DamagedFilesLoadWhatTheyCanAndAreKeptAside) {
  struct Case {
    const char* name;
    QByteArray content;
    bool hostReadable;
  } cases[] = {
      {"truncated string",
       "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S]\n"
       "\"HostName\"=\"ftp.example.com\"\n\"Password\"=\"sec",
       true},
      {"unknown lines",
       "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\S]\nrubbish here\n"
       "\"HostName\"=\"ftp.example.com\"\n\"Port\"=qword:1\n",
       true},
      {"no header", "[HKEY_CURRENT_USER\\S]\n\"HostName\"=\"ftp.example.com\"\n", true},
      {"other hive",
       "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"HostName\"=\"x\"\n"
       "[HKEY_CURRENT_USER\\S]\n\"HostName\"=\"ftp.example.com\"\n",
       true},
      {"binary garbage", QByteArray("\x01\x02\xff\xfe\x00garbage", 10), false},
      {"truncated key", "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\S", false},
  };
  for (const Case& c : cases) {
    SetUp();
    ASSERT_TRUE(WriteFile(path, c.content));
    RegistryStore store(path);
    const auto result = store.Load();
    EXPECT_FALSE(result.problems.isEmpty()) << c.name;
    ASSERT_FALSE(result.keptAsidePath.isEmpty()) << c.name;
    EXPECT_EQ(ReadFile(result.keptAsidePath), c.content) << c.name;
    EXPECT_EQ(store.ReadString("\\S", "HostName").has_value(), c.hostReadable) << c.name;
    if (c.hostReadable) {
      EXPECT_EQ(*store.ReadString("\\S", "HostName"), "ftp.example.com");
    }
    // A later save writes a clean file and the kept copy stays.
    store.CreateKey("\\After");
    EXPECT_EQ(ReadFile(result.keptAsidePath), c.content) << c.name;
    RegistryStore reloaded(path);
    EXPECT_TRUE(reloaded.Load().problems.isEmpty()) << c.name;
    EXPECT_TRUE(reloaded.KeyExists("\\After")) << c.name;
  }
}

TEST_F(RegistryStoreTest, ValuesOfUnknownTypesSurviveUntouched) {
  const QByteArray content =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S]\n"
      "\"Blob\"=hex:01,02,\\\n  03,04\n\"Name\"=\"x\"\n";
  ASSERT_TRUE(WriteFile(path, content));
  RegistryStore store(path);
  EXPECT_TRUE(store.Load().problems.isEmpty());
  EXPECT_TRUE(store.ValueExists("\\S", "Blob"));
  EXPECT_FALSE(store.ReadString("\\S", "Blob").has_value());
  EXPECT_FALSE(store.ReadInteger("\\S", "Blob").has_value());
  store.WriteString("\\S", "Name", "y");
  EXPECT_TRUE(Text().contains("\"Blob\"=hex:01,02,03,04\n"));
}

TEST_F(RegistryStoreTest, AnUnreadableFileIsNeverOverwritten) {
  ASSERT_TRUE(WriteFile(path, "Windows Registry Editor Version 5.00\n"));
  QFile::setPermissions(path, QFileDevice::Permissions());
  QFile probe(path);
  if (probe.open(QIODevice::ReadOnly)) {
    // Running as root: permissions do not stop reads. Use a folder in the file's place.
    probe.close();
    QFile::remove(path);
    QDir().mkpath(path);
  }
  RegistryStore store(path);
  const auto result = store.Load();
  EXPECT_FALSE(result.problems.isEmpty());
  store.CreateKey("\\Any");
  QString error;
  EXPECT_FALSE(store.Save(&error));
  EXPECT_FALSE(error.isEmpty());
}

TEST_F(RegistryStoreTest, ConfigFolderComesFromTheEnvironment) {
  qputenv("VORNALO_CONFIG_HOME", dir->path().toUtf8());
  EXPECT_EQ(RegistryStore::DefaultFilePath(), dir->filePath("registry.reg"));
  auto previous = RegistryStore::ReplaceCurrent(nullptr);
  RegistryStore::Current().CreateKey("\\FromCurrent");
  EXPECT_TRUE(Text().contains("[HKEY_CURRENT_USER\\FromCurrent]"));
  RegistryStore::ReplaceCurrent(std::move(previous));
  qunsetenv("VORNALO_CONFIG_HOME");
}

TEST_F(RegistryStoreTest, KeyHandleBatchesWritesIntoOneSave) {
  RegistryStore store(path);
  RegistryKey key(store);
  EXPECT_FALSE(key.OpenKey("\\Missing", false));
  ASSERT_TRUE(key.OpenKey("\\Batch", true));
  key.WriteInteger("A", 1);
  EXPECT_FALSE(Text().contains("\"A\"")) << "saved before the key was closed";
  key.CloseKey();
  EXPECT_TRUE(Text().contains("\"A\"=dword:00000001"));
  bool flag = false;
  ASSERT_TRUE(key.OpenKey("\\Batch", false));
  store.WriteInteger("\\Batch", "Seven", 7);
  EXPECT_TRUE(key.ReadBool("Seven", flag));
  EXPECT_TRUE(flag);  // any non-zero integer is true
}

}  // namespace
