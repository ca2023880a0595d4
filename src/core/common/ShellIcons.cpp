#include "core/common/ShellIcons.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

struct TViewHash {
  using is_transparent = void;
  size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>()(s); }
};

std::u16string_view ViewOf(QStringView s) {
  return {reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())};
}

// Odd suffixes (".001", dates) must not grow the cache without bound; past this many keys the
// answers are computed and not kept.
constexpr size_t kMaxCachedKeys = 65536;

constexpr int kMaxFolderTypeNameLength = 80;

}  // namespace

struct TShellIcons::TState {
  mutable std::shared_mutex mutex;
  std::unordered_map<std::u16string, TFileType, TViewHash, std::equal_to<>> types;
  std::unordered_map<QString, int> indexOfName;
  std::vector<QStringList> namesOfIndex;
  // Lower-case suffixes of more than one part (".tar.gz") that the database knows by name.
  std::unordered_set<std::u16string> multiSuffixes;
  qsizetype longestMultiSuffix = 0;
};

TShellIcons::TShellIcons(const QLocale& locale) : m_state(std::make_unique<TState>()) {
  m_korean = locale.language() == QLocale::Korean;
  m_plainFileTypeName = FallbackTypeName(QStringView(), m_korean);
  const QMimeDatabase db;
  for (const QMimeType& type : db.allMimeTypes()) {
    for (const QString& suffix : type.suffixes()) {
      if (!suffix.contains(u'.')) continue;
      m_state->multiSuffixes.insert(u'.' + suffix.toLower().toStdU16String());
      m_state->longestMultiSuffix = qMax(m_state->longestMultiSuffix, suffix.size() + 1);
    }
  }
  const QMimeType generic = db.mimeTypeForName(QStringLiteral("application/octet-stream"));
  m_genericFileIcon = IndexOfIcon(
      {generic.isValid() ? generic.iconName() : QStringLiteral("application-octet-stream"),
       QStringLiteral("application-x-generic"), QStringLiteral("text-x-generic")});
  m_folderIcon = IndexOfIcon({QStringLiteral("folder")});
  m_openFolderIcon = IndexOfIcon({QStringLiteral("folder-open"), QStringLiteral("folder")});
  m_desktopIcon = IndexOfIcon({QStringLiteral("user-desktop"), QStringLiteral("folder")});
  m_drivesIcon = IndexOfIcon({QStringLiteral("computer"), QStringLiteral("drive-harddisk")});
  m_networkIcon =
      IndexOfIcon({QStringLiteral("network-server"), QStringLiteral("network-workgroup"),
                   QStringLiteral("folder-remote")});
  m_recycleBinIcon = IndexOfIcon({QStringLiteral("user-trash"), QStringLiteral("folder")});

  const QMimeType folder = db.mimeTypeForName(QStringLiteral("inode/directory"));
  m_folderTypeName = folder.isValid() ? folder.comment() : QString();
  if (m_folderTypeName.isEmpty()) m_folderTypeName = QStringLiteral("Folder");
  m_folderTypeName.truncate(kMaxFolderTypeNameLength);
}

TShellIcons::~TShellIcons() = default;

int TShellIcons::IndexOfIcon(const QStringList& names) const {
  {
    std::shared_lock lock(m_state->mutex);
    const auto it = m_state->indexOfName.find(names.first());
    if (it != m_state->indexOfName.end()) return it->second;
  }
  std::unique_lock lock(m_state->mutex);
  const auto [it, added] =
      m_state->indexOfName.emplace(names.first(), int(m_state->namesOfIndex.size()));
  if (added) m_state->namesOfIndex.push_back(names);
  return it->second;
}

QStringList TShellIcons::IconNames(int index) const {
  std::shared_lock lock(m_state->mutex);
  if (index < 0 || size_t(index) >= m_state->namesOfIndex.size()) return {};
  return m_state->namesOfIndex[size_t(index)];
}

QString TShellIcons::IconName(int index) const {
  const QStringList names = IconNames(index);
  return names.isEmpty() ? QString() : names.first();
}

int TShellIcons::IconCount() const {
  std::shared_lock lock(m_state->mutex);
  return int(m_state->namesOfIndex.size());
}

QString TShellIcons::FallbackTypeName(QStringView fileName, bool korean) {
  const QString word =
      korean ? QString::fromUtf8("\xed\x8c\x8c\xec\x9d\xbc") : QStringLiteral("File");
  const qsizetype dot = fileName.lastIndexOf(u'.');
  if (dot < 0) return word;
  return fileName.mid(dot).toString() + u' ' + word;
}

TShellIcons::TFileType TShellIcons::TypeOf(QStringView fileName) const {
  // Only the suffix decides the type, as it does for local files, so the answer is cached per
  // suffix; a name without one is a generic file.
  const qsizetype dot = fileName.lastIndexOf(u'.');
  if (dot < 0) return {m_genericFileIcon, m_plainFileTypeName};
  QStringView key = fileName.mid(dot);
  const qsizetype before = dot > 0 ? fileName.lastIndexOf(u'.', dot - 1) : -1;
  if (before >= 0) {
    const QStringView twoParts = fileName.mid(before);
    if (twoParts.size() <= m_state->longestMultiSuffix &&
        m_state->multiSuffixes.count(twoParts.toString().toLower().toStdU16String()) != 0) {
      key = twoParts;
    }
  }
  {
    std::shared_lock lock(m_state->mutex);
    const auto it = m_state->types.find(ViewOf(key));
    if (it != m_state->types.end()) return it->second;
  }
  const TFileType type = Lookup(key);
  std::unique_lock lock(m_state->mutex);
  if (m_state->types.size() < kMaxCachedKeys) {
    m_state->types.emplace(std::u16string(ViewOf(key)), type);
  }
  return type;
}

TShellIcons::TFileType TShellIcons::Lookup(QStringView key) const {
  // A stand-in name with the same suffix; the database never touches a file in this mode.
  const QString probe = key.startsWith(u'.') ? u'x' + key.toString() : key.toString();
  const QMimeDatabase db;
  const QMimeType mime = db.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
  TFileType type;
  if (!mime.isValid() || mime.isDefault()) {
    type.IconIndex = m_genericFileIcon;
    type.TypeName = FallbackTypeName(key, m_korean);
    return type;
  }
  QStringList names{mime.iconName()};
  if (!mime.genericIconName().isEmpty() && mime.genericIconName() != names.first()) {
    names << mime.genericIconName();
  }
  names << QStringLiteral("text-x-generic");
  type.IconIndex = IndexOfIcon(names);
  type.TypeName = mime.comment();
  if (type.TypeName.isEmpty()) type.TypeName = FallbackTypeName(key, m_korean);
  return type;
}

TShellIcons& ShellIcons() {
  static TShellIcons instance;
  return instance;
}
