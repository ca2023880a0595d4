#pragma once

// Ordering that the thread sanitizer cannot see: Qt's queued events and blocking hand-overs
// synchronise inside Qt's own (uninstrumented) code. Without the sanitizer these are nothing.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define VORNALO_HAPPENS_BEFORE(addr) \
  __tsan_release(const_cast<void*>(static_cast<const void*>(addr)))
#define VORNALO_HAPPENS_AFTER(addr) \
  __tsan_acquire(const_cast<void*>(static_cast<const void*>(addr)))
#else
#define VORNALO_HAPPENS_BEFORE(addr) ((void)0)
#define VORNALO_HAPPENS_AFTER(addr) ((void)0)
#endif
