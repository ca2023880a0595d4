#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One compiled file-name mask: "*" any run, "?" one character, "[a-c]" / "[!a-c]" sets;
// letters compare without regard to case and the whole name must match.
class TFileMask {
 public:
  explicit TFileMask(const QString& mask);
  bool Matches(const QString& name) const;

 private:
  struct Element {
    enum Kind { Literal, AnyOne, AnyRun, Set } kind;
    QChar literal;
    bool negated = false;
    std::vector<std::pair<QChar, QChar>> ranges;  // inclusive, case-folded
  };
  bool MatchesSet(const Element& set, QChar c) const;

  std::vector<Element> m_elements;
};

// An ordered, ";"-separated list of masks; `Active` is false as soon as one of them is "*" or
// "*.*", because then every name passes anyway.
class TMasks {
 public:
  TMasks() = default;
  explicit TMasks(const QString& text) { SetMasks(text); }

  void SetMasks(const QString& text);
  bool Matches(const QString& name) const;

  const QString& MaskText() const { return m_maskText; }
  bool Active() const { return m_active; }
  const QStringList& MaskStrings() const { return m_maskStrings; }

 private:
  std::vector<TFileMask> m_masks;
  QStringList m_maskStrings;
  QString m_maskText;
  bool m_active = true;
};
