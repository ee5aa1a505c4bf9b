// Time per registry record with its pruning walk on the real registry (run under Wine by
// scripts/bench): each round recreates the value and its key chain, then removes one record.
#include <cstdio>

#include "platform/win32/win32.h"
#include "registry_record.h"

int wmain() {
  using namespace unroll;
  Win32Registry registry;
  RegistryOperations ops(registry);
  constexpr int kRecords = 2000;
  LARGE_INTEGER frequency, start, stop;
  ::QueryPerformanceFrequency(&frequency);
  double removing = 0;
  for (int i = 0; i < kRecords; ++i) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(bench::kRecordKey), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr);
    ::RegSetValueExW(key, L"Theme", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    ::RegCloseKey(key);
    ::QueryPerformanceCounter(&start);
    bench::RemoveOneRecord(ops);
    ::QueryPerformanceCounter(&stop);
    removing += static_cast<double>(stop.QuadPart - start.QuadPart);
  }
  const double micros = removing * 1e6 / static_cast<double>(frequency.QuadPart) / kRecords;
  std::printf("registry record with pruning, real registry: %.1f us per record (%d records)\n",
              micros, kRecords);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\UnrollBench");
  return 0;
}
