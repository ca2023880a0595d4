#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include "RegistryRoundTrip.h"
#include "core/settings/RegistryFormat.h"

#include "core/settings/RegistryKey.h"
#include "core/settings/RegistryStore.h"
#include "support/TestPaths.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\n\n";

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

// Every value a file loads with stays through save and load cycles, also when the one before
// it is a continued "hex:" value whose last line break is odd.
TEST_F(RegistryStoreTest, ContinuedValuesNeverSwallowTheNextValue) {
  struct Case {
    const char* name;
    QByteArray content;
    const char* blob;  // the raw text of "Blob" in \S after loading
  } cases[] = {
      {"backslash and blank", "[HKEY_CURRENT_USER\\S]\n\"Blob\"=hex:\\ \n", "hex:"},
      {"continued past a blank",
       "[HKEY_CURRENT_USER\\S]\n\"Blob\"=hex:01,\\\t\r\n  02\n\"Name\"=\"x\"\n", "hex:01,02"},
      {"last line, no newline", "[HKEY_CURRENT_USER\\S]\n\"Name\"=\"x\"\n\"Blob\"=hex:01,\\",
       "hex:01,"},
      {"backslash left over by the continuation",
       "[HKEY_CURRENT_USER\\S]\n\"Blob\"=hex:01\\\\\n\n\"Name\"=\"x\"\n", "hex:01"},
      {"comment ending in a backslash",
       "[HKEY_CURRENT_USER\\S]\n; note \\\n\"Name\"=\"x\"\n\"Blob\"=hex(2):41,00\n",
       "hex(2):41,00"},
  };
  for (const Case& c : cases) {
    SetUp();
    ASSERT_TRUE(WriteFile(path, QByteArray(kHeader) + c.content));
    RegistryStore store(path);
    store.Load();
    EXPECT_EQ(store.TypeOf("\\S", "Blob"), RegistryStore::ValueType::Other) << c.name;
    EXPECT_TRUE(store.ToText().contains(QString("\"Blob\"=") + c.blob + "\n")) << c.name;
    // A value written after the blob lands on the line below it in the saved file.
    ASSERT_TRUE(store.WriteString("\\S", "After", "y")) << c.name;
    const QString saved = Text();
    for (int cycle = 0; cycle < 3; ++cycle) {
      RegistryStore loaded(path);
      const auto result = loaded.Load();
      EXPECT_TRUE(result.problems.isEmpty())
          << c.name << ": " << result.problems.join(' ').toStdString();
      EXPECT_EQ(loaded.ReadString("\\S", "After"), QString("y")) << c.name;
      EXPECT_EQ(loaded.ValueExists("\\S", "Name"), QByteArray(c.content).contains("Name"))
          << c.name;
      ASSERT_TRUE(loaded.Save());
      EXPECT_EQ(Text(), saved) << c.name;
    }
  }
}

TEST_F(RegistryStoreTest, DeepKeysAreRefusedAndTheFileKeptAside) {
  // One key 100,000 levels deep: half a megabyte that used to overflow the stack.
  QByteArray content = QByteArray(kHeader) + "[HKEY_CURRENT_USER";
  for (int i = 0; i < 100000; ++i) content += "\\Deep";
  content += "]\n\"Hidden\"=\"x\"\n[HKEY_CURRENT_USER\\S]\n\"HostName\"=\"ftp.example.com\"\n";
  ASSERT_TRUE(WriteFile(path, content));
  RegistryStore store(path);
  const auto result = store.Load();
  ASSERT_EQ(result.problems.size(), 1) << result.problems.join('\n').toStdString();
  EXPECT_TRUE(result.problems.first().contains("deeper than 256"))
      << result.problems.first().toStdString();
  EXPECT_EQ(ReadFile(result.keptAsidePath), content);
  EXPECT_FALSE(store.KeyExists("\\Deep"));
  EXPECT_EQ(store.ReadString("\\S", "HostName"), QString("ftp.example.com"));

  // 256 levels are fine, one more is refused however it would come about.
  QString deepest;
  for (int i = 0; i < RegistryFormat::kMaxKeyDepth; ++i) deepest += "\\K";
  ASSERT_TRUE(store.CreateKey(deepest));
  ASSERT_TRUE(store.WriteInteger(deepest, "Level", 256));
  QString error;
  EXPECT_FALSE(store.CreateKey(deepest + "\\Below"));
  EXPECT_FALSE(store.CreateChildKey(deepest, "Below", &error));
  EXPECT_TRUE(error.contains("256")) << error.toStdString();
  EXPECT_FALSE(store.MoveKey("\\K", "\\S\\K", &error));
  EXPECT_TRUE(store.KeyExists(deepest));
  RegistryStore loaded(path);
  EXPECT_TRUE(loaded.Load().problems.isEmpty());
  EXPECT_EQ(loaded.ReadInteger(deepest, "Level"), 256);
}

TEST_F(RegistryStoreTest, TheFileIsPrivateWhateverTheUmask) {
  const mode_t previous = umask(0);
  const auto privateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ReadUser | QFileDevice::WriteUser;
  const auto privateFolder = privateFile | QFileDevice::ExeOwner | QFileDevice::ExeUser;
  const QString nested = dir->filePath("new/folder/registry.reg");
  {
    RegistryStore store(nested);
    EXPECT_TRUE(store.CreateKey("\\S"));
  }
  EXPECT_EQ(QFile::permissions(nested), privateFile);
  EXPECT_EQ(QFile::permissions(dir->filePath("new/folder")), privateFolder);
  EXPECT_EQ(QFile::permissions(dir->filePath("new")), privateFolder);

  // A file with looser modes is tightened on load and stays private through saves, and a
  // damaged one is kept aside privately.
  ASSERT_TRUE(WriteFile(path, QByteArray(kHeader) + "rubbish\n"));
  ASSERT_TRUE(QFile::setPermissions(path, privateFile | QFileDevice::ReadGroup |
                                              QFileDevice::ReadOther | QFileDevice::WriteOther));
  RegistryStore store(path);
  const auto result = store.Load();
  EXPECT_EQ(QFile::permissions(path), privateFile);
  ASSERT_FALSE(result.keptAsidePath.isEmpty());
  EXPECT_EQ(QFile::permissions(result.keptAsidePath), privateFile);
  ASSERT_TRUE(QFile::setPermissions(path, privateFile | QFileDevice::ReadOther));
  EXPECT_TRUE(store.CreateKey("\\Again"));
  EXPECT_EQ(QFile::permissions(path), privateFile);
  umask(previous);
}

// Every input the settings fuzzer ever flagged, replayed through its check.
TEST(RegistryFuzzRegressions, ReadSaveReadKeepsEverything) {
  QDirIterator it(VORNALO_FUZZ_REGISTRY_CASES, QDir::Files);
  int replayed = 0;
  while (it.hasNext()) {
    const QString file = it.next();
    EXPECT_EQ(RegistryRoundTripFault(ReadFile(file)), QString()) << file.toStdString();
    ++replayed;
  }
  EXPECT_GT(replayed, 0) << "no cases in " VORNALO_FUZZ_REGISTRY_CASES;
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
