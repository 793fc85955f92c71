// The probe's time limit, in a unit of its own so that a test build can link a shorter one.
#include <windows.h>

#ifndef QDR_PROBE_TIMEOUT_MS
#define QDR_PROBE_TIMEOUT_MS 60000
#endif

extern const DWORD kProbeTimeoutMs = QDR_PROBE_TIMEOUT_MS;
