#include "core/ftp/DecodeFTPListFile.h"

#include <QByteArray>
#include <QIODevice>
#include <QTime>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>

#include "core/common/ShellIcons.h"
#include "core/common/WireText.h"

namespace {

// The Korean date markers, as code page 949 byte pairs and in UTF-8.
constexpr std::string_view kYearMarkers[] = {"\xB3\xE2", "\xEB\x85\x84"};
constexpr std::string_view kMonthMarkers[] = {"\xBF\xF9", "\xEC\x9B\x94"};
constexpr std::string_view kDayMarkers[] = {"\xC0\xCF", "\xEC\x9D\xBC"};

bool HasHighByte(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// Every marker is made of bytes above 0x7F, so plain ASCII columns are passed over quickly.
bool ContainsAny(std::string_view s, const std::string_view (&markers)[2]) {
  return HasHighByte(s) && (s.find(markers[0]) != s.npos || s.find(markers[1]) != s.npos);
}

// Drops the marker that ends `s`; false when `s` ends with none.
bool StripTrailingMarker(std::string_view& s, const std::string_view (&markers)[2]) {
  for (std::string_view marker : markers) {
    if (s.size() >= marker.size() && s.substr(s.size() - marker.size()) == marker) {
      s.remove_suffix(marker.size());
      return true;
    }
  }
  return false;
}

// Where the first of the markers starts, and its length; npos when there is none.
size_t FindMarker(std::string_view s, const std::string_view (&markers)[2], size_t& length) {
  size_t best = s.npos;
  for (std::string_view marker : markers) {
    const size_t at = s.find(marker);
    if (at < best) {
      best = at;
      length = marker.size();
    }
  }
  return best;
}

// Digits only, fitting an int.
bool ReadDigits(std::string_view s, int& value) {
  if (!IsAllDigits(s)) return false;
  qint64 v = 0;
  for (char c : s) {
    v = v * 10 + (c - '0');
    if (v > std::numeric_limits<int>::max()) return false;
  }
  value = int(v);
  return true;
}

// An optionally signed integer fitting an int.
bool ReadInteger(std::string_view s, int& value) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (!ReadDigits(s, value)) return false;
  if (negative) value = -value;
  return true;
}

// An all-digit size; a value past 64 bits reads as 0 like any other non-number.
qint64 ReadSize(std::string_view s) {
  if (!IsAllDigits(s)) return 0;
  quint64 v = 0;
  for (char c : s) {
    const quint64 next = v * 10 + quint64(c - '0');
    if (v > quint64(std::numeric_limits<qint64>::max()) / 10 ||
        next > quint64(std::numeric_limits<qint64>::max())) {
      return 0;
    }
    v = next;
  }
  return qint64(v);
}

int NumberOrZero(std::string_view s) {
  int value = 0;
  return ReadDigits(s, value) ? value : 0;
}

QString Decode(std::string_view bytes) {
  return DecodeWireText(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}

std::string_view TrimLeadingControls(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  return s.substr(i);
}

bool IsDotName(std::string_view name) {
  return name == "." || name == "..";
}

const QString& FilePermissions() {
  static const QString text = QStringLiteral("----------");
  return text;
}
const QString& FolderPermissions() {
  static const QString text = QStringLiteral("d---------");
  return text;
}

}  // namespace

std::string_view NextToken(std::string_view text, size_t& position, std::string_view delimiters) {
  if (delimiters.size() == 1) {
    while (position < text.size() && text[position] == delimiters[0]) ++position;
  } else {
    while (position < text.size() && delimiters.find(text[position]) != delimiters.npos) {
      ++position;
    }
  }
  if (position >= text.size()) return {};
  const size_t start = position;
  if (delimiters.size() == 1) {
    // Columns are short: a plain loop beats a library search here.
    const char delimiter = delimiters[0];
    while (position < text.size() && text[position] != delimiter) ++position;
  } else {
    while (position < text.size() && delimiters.find(text[position]) == delimiters.npos) {
      ++position;
    }
  }
  return text.substr(start, position - start);
}

bool IsAllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsDosDate(std::string_view s) {
  return s.size() == 8 && s[2] == '-' && s[5] == '-' && IsAllDigits(s.substr(0, 2)) &&
         IsAllDigits(s.substr(3, 2)) && IsAllDigits(s.substr(6, 2));
}

bool IsPermissionString(std::string_view s) {
  if (s.size() != 10) return false;
  for (char c : s) {
    if (c != '-' && (c < 'a' || c > 'z')) return false;
  }
  return true;
}

int MonthNumber(std::string_view s) {
  int value = 0;
  if (ReadInteger(s, value) && value >= 1) return value;
  if (ContainsAny(s, kMonthMarkers)) {
    return StripTrailingMarker(s, kMonthMarkers) ? NumberOrZero(s) : 0;
  }
  static constexpr std::string_view kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (s == kNames[i]) return i + 1;
  }
  return 0;
}

int DayNumber(std::string_view s) {
  if (ContainsAny(s, kDayMarkers)) {
    return StripTrailingMarker(s, kDayMarkers) ? NumberOrZero(s) : 0;
  }
  return NumberOrZero(s);
}

TListingParser::TListingParser(QDate today, const QLocale& locale)
    : TListingParser(today, locale, ShellIcons()) {}

TListingParser::TListingParser(QDate today, const QLocale& locale, const TShellIcons& icons)
    : m_todayYear(today.year()),
      m_todayMonth(today.month()),
      m_todayDay(today.day()),
      m_locale(locale),
      m_localeKey(locale.name() + u'|' + locale.dateFormat(QLocale::ShortFormat) + u'|' +
                  locale.timeFormat(QLocale::ShortFormat)),
      m_icons(icons) {}

const QString& TListingParser::Intern(TTextCache& cache, std::string_view bytes) {
  auto it = cache.find(bytes);
  if (it == cache.end()) it = cache.emplace(std::string(bytes), Decode(bytes)).first;
  return it->second;
}

namespace {

// Date and time texts already formatted, for every parsing run of the process: formatting with
// the locale is slow next to parsing, and the same dates come back in listing after listing.
class TSharedDateTimeTexts {
 public:
  template <class Format>
  QString Text(const QString& localeKey, qint64 key, Format format) {
    std::lock_guard lock(m_mutex);
    if (localeKey != m_localeKey || m_texts.size() > 200000) {
      m_texts.clear();
      m_localeKey = localeKey;
    }
    auto it = m_texts.find(key);
    if (it == m_texts.end()) it = m_texts.emplace(key, format()).first;
    return it->second;
  }

 private:
  std::mutex m_mutex;
  QString m_localeKey;
  std::unordered_map<qint64, QString> m_texts;
};

TSharedDateTimeTexts& SharedDateTimeTexts() {
  static TSharedDateTimeTexts texts;
  return texts;
}

}  // namespace

void TListingParser::SetDateAndTime(TFTPListItem& item) {
  // Listings repeat a few dates and times many times; each text is looked up once per run.
  // Parts outside the ordinary ranges are rare and formatted without the caches.
  const auto formatDate = [&] {
    const QDate value(item.Year, item.Month, item.Day);
    return value.isValid() ? m_locale.toString(value, QLocale::ShortFormat) : QString();
  };
  const auto formatTime = [&] {
    const QTime value(item.Hour, item.Minute, 0);
    return value.isValid() ? m_locale.toString(value, QLocale::ShortFormat) : QString();
  };
  const int yearSlot = item.Year - (m_todayYear - kCachedYearsBack);
  if (yearSlot >= 0 && yearSlot < kCachedYears && item.Month >= 1 && item.Month <= 12 &&
      item.Day >= 1 && item.Day <= 31) {
    if (m_dateTexts.empty()) m_dateTexts.resize(kCachedYears);
    auto& year = m_dateTexts[size_t(yearSlot)];
    if (!year) year = std::make_unique<TYearTexts>();
    TCachedText& text = (*year)[size_t((item.Month - 1) * 31 + item.Day - 1)];
    if (!text.made) {
      const qint64 key = (qint64(item.Year) << 16) | (item.Month << 8) | item.Day;
      text.text = SharedDateTimeTexts().Text(m_localeKey, key, formatDate);
      text.made = true;
    }
    item.DateText = text.text;
  } else {
    item.DateText = formatDate();
  }
  if (item.Hour >= 0 && item.Hour < 24 && item.Minute >= 0 && item.Minute < 60) {
    if (m_timeTexts.empty()) m_timeTexts.resize(24 * 60);
    TCachedText& text = m_timeTexts[size_t(item.Hour * 60 + item.Minute)];
    if (!text.made) {
      const qint64 key = -1 - (item.Hour * 60 + item.Minute);  // apart from every date key
      text.text = SharedDateTimeTexts().Text(m_localeKey, key, formatTime);
      text.made = true;
    }
    item.TimeText = text.text;
  } else {
    item.TimeText = formatTime();
  }
}

void TListingParser::SetFileType(TFTPListItem& item) {
  if (item.IsFile) {
    TShellIcons::TFileType type = m_icons.TypeOf(item.Name);
    item.IconIndex = type.IconIndex;
    item.TypeName = std::move(type.TypeName);
  } else {
    item.IconIndex = m_icons.FolderIcon();
    item.TypeName = m_icons.FolderTypeName();
  }
}

std::unique_ptr<TFTPListItem> TListingParser::ParseDosLine(std::string_view line, bool& failed) {
  if (line.size() < 8 || !IsDosDate(line.substr(0, 8))) return nullptr;
  auto item = std::make_unique<TFTPListItem>();
  item->Month = NumberOrZero(line.substr(0, 2));
  item->Day = NumberOrZero(line.substr(3, 2));
  const int year = NumberOrZero(line.substr(6, 2));
  item->Year = year + (year >= 70 ? 1900 : 2000);

  size_t position = 8;
  const std::string_view time = NextToken(line, position, " ");
  // "11:59PM": the hour and minute must be numbers; a four-digit year shifts the columns and
  // fails here, which ends the loading.
  if (!ReadInteger(time.substr(0, 2), item->Hour) ||
      !ReadInteger(time.substr(std::min<size_t>(3, time.size()), 2), item->Minute)) {
    failed = true;
    return nullptr;
  }
  const std::string_view half = time.substr(std::min<size_t>(5, time.size()), 2);
  if (half == "PM") {
    if (item->Hour >= 1 && item->Hour <= 11) item->Hour += 12;
  } else if (half == "AM") {
    if (item->Hour == 12) item->Hour = 0;
  }

  const std::string_view size = NextToken(line, position, " ");
  if (size == "<DIR>") {
    item->IsFile = false;
    item->Size = -1;
  } else {
    item->IsFile = true;
    item->Size = ReadSize(size);
  }

  while (position < line.size() && line[position] == ' ') ++position;
  const std::string_view name = position < line.size() ? line.substr(position) : std::string_view();
  // An entry without a name, or one naming this folder or its parent, would let a later action
  // on it (a recursive delete, say) reach the wrong folder.
  if (name.empty() || IsDotName(name)) return nullptr;
  item->Name = Decode(name);
  item->Permissions = item->IsFile ? FilePermissions() : FolderPermissions();
  SetDateAndTime(*item);
  SetFileType(*item);
  return item;
}

std::unique_ptr<TFTPListItem> TListingParser::ParseUnixLine(std::string_view line, bool& failed) {
  if (line.size() < 10 || !IsPermissionString(line.substr(0, 10))) return nullptr;
  constexpr std::string_view kBlank = " ";
  size_t position = 10;
  const std::string_view t1 = NextToken(line, position, kBlank);
  const std::string_view t2 = NextToken(line, position, kBlank);
  std::string_view owner, group, sizeText, month, day, time;

  if (t1 == "folder") {
    month = NextToken(line, position, kBlank);
    day = NextToken(line, position, kBlank);
    time = NextToken(line, position, kBlank);
  } else {
    const std::string_view t3 = NextToken(line, position, kBlank);
    const std::string_view t4 = NextToken(line, position, kBlank);
    if (IsAllDigits(t4)) {
      group = t3;
      sizeText = t4;
      month = NextToken(line, position, kBlank);
      size_t markerLength = 0;
      if (month.find('/') != month.npos) {
        if (month.back() == '/') {
          month.remove_suffix(1);
          day = NextToken(line, position, kBlank);
        } else {
          const std::string_view token = month;
          size_t part = 0;
          month = NextToken(token, part, "/");
          day = NextToken(token, part, "/");
        }
      } else if (month.find('.') != month.npos) {
        // "2003.09.12": the year takes the time's place.
        const std::string_view token = month;
        size_t part = 0;
        time = NextToken(token, part, ".");
        month = NextToken(token, part, ".");
        day = NextToken(token, part, ".");
      } else if (ContainsAny(month, kYearMarkers) && !ContainsAny(month, kMonthMarkers)) {
        time = month.substr(0, FindMarker(month, kYearMarkers, markerLength));
        month = NextToken(line, position, kBlank);
        day = NextToken(line, position, kBlank);
      } else if (ContainsAny(month, kMonthMarkers) && ContainsAny(month, kDayMarkers)) {
        const size_t at = FindMarker(month, kMonthMarkers, markerLength);
        day = month.substr(at + markerLength);
        month = month.substr(0, at + markerLength);
      }
    } else {
      month = t4;
      sizeText = t3;
    }
    owner = t2;
    if (day.empty()) day = NextToken(line, position, kBlank);
    if (time.empty()) time = NextToken(line, position, kBlank);
  }

  std::string_view name;
  if (!time.empty()) {
    // One blank separates the last column from the name; alignment blanks go too.
    name = position + 1 < line.size() ? TrimLeadingControls(line.substr(position + 1))
                                      : std::string_view();
  } else {
    name = day;
    day = {};
  }
  if (name.empty() || IsDotName(name)) return nullptr;

  auto item = std::make_unique<TFTPListItem>();
  item->Permissions = Intern(m_permissions, line.substr(0, 10));
  if (!owner.empty()) item->Owner = Intern(m_owners, owner);
  if (!group.empty()) item->Group = Intern(m_owners, group);

  std::string_view yearText;
  if (time.find(':') == time.npos) {
    yearText = time;
    time = "00:00";
  }
  switch (line[0]) {
    case 'd':
      item->IsFile = false;
      break;
    case 'l':
      item->IsLink = true;
      item->IsFile = false;
      break;
    default:
      item->IsFile = true;
  }
  // Only a link's name column carries a target; a file may well be called "a -> b".
  if (item->IsLink) {
    const size_t arrow = name.find(" -> ");
    if (arrow != name.npos) {
      item->LinkTarget = Decode(name.substr(arrow + 4));
      name = name.substr(0, arrow);
    }
  }
  item->Name = Decode(name);
  item->Size = ReadSize(sizeText);
  item->Year = NumberOrZero(yearText);
  item->Month = MonthNumber(month);
  item->Day = DayNumber(day);
  if (item->Year == 0) {
    const int thisMonth = m_todayMonth;
    const bool thisYear =
        thisMonth > item->Month || (thisMonth == item->Month && m_todayDay >= item->Day);
    item->Year = m_todayYear - (thisYear ? 0 : 1);
  }
  const size_t colon = time.find(':');
  if (!ReadInteger(time.substr(0, colon), item->Hour) ||
      !ReadInteger(time.substr(colon + 1), item->Minute)) {
    failed = true;
    return nullptr;
  }
  SetDateAndTime(*item);
  if (!item->IsFile) item->Size = -1;
  SetFileType(*item);
  return item;
}

void TListingParser::Load(const QByteArray& listing, TFTPListItems& items) {
  items.SetRawListing(listing);
  const std::string_view text(listing.constData(), size_t(listing.size()));
  bool failed = false;
  ForEachListingLine(text, [&](std::string_view line) {
    if (failed || line.empty()) return;
    std::unique_ptr<TFTPListItem> item;
    if (line.size() >= 8 && IsDosDate(line.substr(0, 8))) {
      item = ParseDosLine(line, failed);
    } else if (line.size() >= 10 && IsPermissionString(line.substr(0, 10))) {
      item = ParseUnixLine(line, failed);
    }
    if (!item) return;
    if (item->IsLink) items.HasLinks = true;
    items.Add(std::move(item));
  });
}

void LoadListing(QIODevice& stream, TFTPListItems& items) {
  if (!stream.isSequential()) stream.seek(0);
  LoadListing(stream.readAll(), items);
}

void LoadListing(const QByteArray& listing, TFTPListItems& items) {
  TListingParser parser;
  parser.Load(listing, items);
}
