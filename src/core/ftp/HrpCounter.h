#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// A high-resolution interval counter over the monotonic clock: `Tick` tells when at least
// `Interval` seconds have passed since the last tick, `Elapsed` the time from `Start` to the
// last tick or mark.
class THrpCounter {
 public:
  THrpCounter();

  qint64 Frequency() const { return m_frequency; }  // counts per second
  qint64 StartCount() const { return m_startCount; }
  qint64 LastCount() const { return m_lastCount; }
  long double Interval = 1.0L;  // seconds

  void Start();
  // True, with the last count moved to now, when at least `Interval` has passed since it.
  bool Tick();
  void Mark();
  long double Elapsed() const;

 private:
  qint64 Now() const;

  QElapsedTimer m_clock;
  qint64 m_frequency = 1000000000;
  qint64 m_startCount = 0;
  qint64 m_lastCount = 0;
};
