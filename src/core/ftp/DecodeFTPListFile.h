#pragma once

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/ftp/FTPListItem.h"
#include "core/ftp/FTPListItems.h"

class QIODevice;
class TShellIcons;

// Turning the text of a LIST reply into entries. Listings are bytes in whatever encoding the
// server uses; the parser works on the bytes and decodes names, owners and raw lines with
// DecodeWireText, so every name goes back to the server as the bytes it came as.
//
// Two line forms are understood: UNIX long listings (with the variants of servers that drop
// the group column, write "folder" in the second column, or write dotted, slashed or Korean
// dates) and DOS/IIS lines. Other lines ("total 12", banners) are skipped. A line of a known
// form holding a value that must be a number and is not (the hour of a time, for example)
// ends the loading: entries read so far stay, nothing is reported.

// Positions are 0-based byte offsets. Skips delimiters from `position`; returns the token up to
// the next delimiter and leaves `position` on that delimiter (or at the end). At the end,
// returns an empty token and leaves `position` at or beyond the end.
std::string_view NextToken(std::string_view text, size_t& position, std::string_view delimiters);
bool IsAllDigits(std::string_view s);
// "MM-DD-YY", digits where the letters are.
bool IsDosDate(std::string_view s);
// Ten characters, each "-" or a lower-case letter.
bool IsPermissionString(std::string_view s);
// A number of 1 or more, a month name "Jan" to "Dec", or a number with the Korean month marker
// (code page 949 bytes BF F9, or its UTF-8 form); 0 otherwise.
int MonthNumber(std::string_view s);
// A number, or a number with the Korean day marker (bytes C0 CF, or UTF-8); 0 otherwise.
int DayNumber(std::string_view s);

// Calls `f` with each line of `text`; lines end at CR LF, LF or CR.
template <class F>
void ForEachListingLine(std::string_view text, F&& f) {
  const char* const end = text.data() + text.size();
  const char* p = text.data();
  const char* lf = nullptr;  // the next LF, remembered so text broken by CRs is not rescanned
  while (p < end) {
    if (lf == nullptr || lf < p) {
      lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
      if (!lf) lf = end;
    }
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(lf - p)));
    const std::string_view line(p, size_t((cr ? cr : lf) - p));
    if (cr) {
      p = (cr + 1 < end && cr[1] == '\n') ? cr + 2 : cr + 1;
    } else {
      p = lf + 1;
    }
    f(line);
  }
}

// One parsing run: keeps the date, time, permission and owner texts it has made so that lines
// sharing them share one string.
class TListingParser {
 public:
  // `today` decides the year of dates listed without one; `locale` formats DateText/TimeText.
  explicit TListingParser(QDate today = QDate::currentDate(), const QLocale& locale = QLocale());
  TListingParser(QDate today, const QLocale& locale, const TShellIcons& icons);

  // Each returns the entry of a line, or nothing for a line that gives none. `failed` is set
  // when the line holds something unreadable where a number is required.
  std::unique_ptr<TFTPListItem> ParseDosLine(std::string_view line, bool& failed);
  std::unique_ptr<TFTPListItem> ParseUnixLine(std::string_view line, bool& failed);

  // Keeps `listing` as the raw listing of `items` and appends its entries to `items`.
  void Load(const QByteArray& listing, TFTPListItems& items);

 private:
  struct TViewHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  using TTextCache = std::unordered_map<std::string, QString, TViewHash, std::equal_to<>>;

  const QString& Intern(TTextCache& cache, std::string_view bytes);
  void SetDateAndTime(TFTPListItem& item);
  void SetFileType(TFTPListItem& item);

  int m_todayYear;
  int m_todayMonth;
  int m_todayDay;
  QLocale m_locale;
  QString m_localeKey;
  const TShellIcons& m_icons;
  TTextCache m_permissions;
  TTextCache m_owners;
  // Date texts by year, month and day for the years around today; time texts by minute.
  struct TCachedText {
    QString text;
    bool made = false;
  };
  using TYearTexts = std::array<TCachedText, 12 * 31>;
  static constexpr int kCachedYearsBack = 100;
  static constexpr int kCachedYears = kCachedYearsBack + 70;  // two-digit DOS years reach 2069
  std::vector<std::unique_ptr<TYearTexts>> m_dateTexts;
  std::vector<TCachedText> m_timeTexts;
};

// Reads `stream` from its start and appends the entries of the listing it holds to `items`.
// Callers hand over an empty collection.
void LoadListing(QIODevice& stream, TFTPListItems& items);
void LoadListing(const QByteArray& listing, TFTPListItems& items);
