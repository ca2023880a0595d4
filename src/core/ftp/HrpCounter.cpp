#include "core/ftp/HrpCounter.h"

THrpCounter::THrpCounter() {
  m_clock.start();
}

qint64 THrpCounter::Now() const {
  return m_clock.nsecsElapsed();
}

void THrpCounter::Start() {
  m_startCount = m_lastCount = Now();
}

bool THrpCounter::Tick() {
  const qint64 now = Now();
  if (static_cast<long double>(now - m_lastCount) < Interval * m_frequency) return false;
  m_lastCount = now;
  return true;
}

void THrpCounter::Mark() {
  m_lastCount = Now();
}

long double THrpCounter::Elapsed() const {
  return static_cast<long double>(m_lastCount - m_startCount) / m_frequency;
}
