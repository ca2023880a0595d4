#include "core/common/Masks.h"

#include "core/common/StringHelpers.h"

namespace {
QChar Fold(QChar c) {
  return c.toCaseFolded();
}
}  // namespace

TFileMask::TFileMask(const QString& mask) {
  for (qsizetype i = 0; i < mask.size(); ++i) {
    const QChar c = mask.at(i);
    if (c == QLatin1Char('*')) {
      // Consecutive stars mean the same as one.
      if (m_elements.empty() || m_elements.back().kind != Element::AnyRun) {
        m_elements.push_back({Element::AnyRun, QChar(), false, {}});
      }
    } else if (c == QLatin1Char('?')) {
      m_elements.push_back({Element::AnyOne, QChar(), false, {}});
    } else if (c == QLatin1Char('[')) {
      const qsizetype close = mask.indexOf(QLatin1Char(']'), i + 1);
      if (close < 0) {  // an unclosed set is taken literally
        m_elements.push_back({Element::Literal, Fold(c), false, {}});
        continue;
      }
      Element set{Element::Set, QChar(), false, {}};
      qsizetype j = i + 1;
      if (j < close && mask.at(j) == QLatin1Char('!')) {
        set.negated = true;
        ++j;
      }
      while (j < close) {
        const QChar from = Fold(mask.at(j));
        if (j + 2 < close && mask.at(j + 1) == QLatin1Char('-')) {
          QChar to = Fold(mask.at(j + 2));
          set.ranges.push_back(from <= to ? std::make_pair(from, to) : std::make_pair(to, from));
          j += 3;
        } else {
          set.ranges.push_back({from, from});
          ++j;
        }
      }
      m_elements.push_back(std::move(set));
      i = close;
    } else {
      m_elements.push_back({Element::Literal, Fold(c), false, {}});
    }
  }
}

bool TFileMask::MatchesSet(const Element& set, QChar c) const {
  const QChar folded = Fold(c);
  bool inSet = false;
  for (const auto& [from, to] : set.ranges) {
    if (folded >= from && folded <= to) {
      inSet = true;
      break;
    }
  }
  return inSet != set.negated;
}

bool TFileMask::Matches(const QString& name) const {
  // Greedy matching with one backtrack point per star: linear in practice, never exponential.
  const size_t elementCount = m_elements.size();
  const qsizetype nameLength = name.size();
  size_t e = 0;
  qsizetype n = 0;
  size_t starElement = SIZE_MAX;
  qsizetype starName = 0;
  while (n < nameLength) {
    if (e < elementCount) {
      const Element& el = m_elements[e];
      if (el.kind == Element::AnyRun) {
        starElement = e++;
        starName = n;
        continue;
      }
      bool ok = false;
      switch (el.kind) {
        case Element::AnyOne:
          ok = true;
          break;
        case Element::Literal:
          ok = Fold(name.at(n)) == el.literal;
          break;
        case Element::Set:
          ok = MatchesSet(el, name.at(n));
          break;
        case Element::AnyRun:
          break;
      }
      if (ok) {
        ++e;
        ++n;
        continue;
      }
    }
    if (starElement == SIZE_MAX) return false;
    e = starElement + 1;
    n = ++starName;
  }
  while (e < elementCount && m_elements[e].kind == Element::AnyRun) ++e;
  return e == elementCount;
}

void TMasks::SetMasks(const QString& text) {
  m_masks.clear();
  m_maskStrings.clear();
  m_maskText.clear();
  m_active = true;
  const QStringList pieces = SplitString(text, QStringLiteral(";"));
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    const QString mask = pieces.at(i).trimmed();
    m_maskStrings.append(mask);
    m_masks.emplace_back(mask);
    if (mask == QLatin1String("*") || mask == QLatin1String("*.*")) m_active = false;
    m_maskText += mask;
    if (i + 1 < pieces.size()) m_maskText += QLatin1Char(';');
  }
}

bool TMasks::Matches(const QString& name) const {
  for (const TFileMask& mask : m_masks) {
    if (mask.Matches(name)) return true;
  }
  return false;
}
