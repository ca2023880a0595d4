#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "cli/TerminalOutput.h"
#include "core/carrier/FTPCarryItem.h"

// Runs items through the transfer queue with up to `carriers` at a time, each giving up after
// `timeout` seconds without a byte from a server (0: no limit), printing one status line per
// finished item and a summary of the failed ones. Returns 0 when every item succeeded, 1
// otherwise.
class TCliQueueRun {
 public:
  TCliQueueRun(int carriers, int timeout, bool quiet, TTerminalOutput& out);
  int Run(std::vector<std::unique_ptr<TFTPCarryItem>> items);
  void Interrupt() { m_interrupted = true; }

 private:
  int m_carriers;
  int m_timeout;
  bool m_quiet;
  TTerminalOutput& m_out;
  bool m_interrupted = false;
};
