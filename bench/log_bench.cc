// Reading speed of the log reader against a plain buffered scan for line ends, and the heap the
// replay needs for small and large logs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/uninstaller.h"
#include "platform/memory/memory_process.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"
#include "registry_record.h"

namespace {

std::atomic<long long> live_bytes{0};
std::atomic<long long> peak_bytes{0};

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  const long long now = live_bytes += static_cast<long long>(malloc_usable_size(p));
  long long peak = peak_bytes.load();
  while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  live_bytes -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace unroll {
namespace {

std::string MakeLog(int records) {
  const std::int32_t marker = 7;
  std::string bytes(reinterpret_cast<const char*>(&marker), 4);
  bytes += "Editor\r\n\r\n\r\nC:\\App\\\r\n";
  bytes.append(reinterpret_cast<const char*>(&records), 4);
  char line[64];
  for (int i = 0; i < records; ++i) {
    const int n = std::snprintf(line, sizeof line, "#DF\r\nC:\\App\\data\\file%07d.txt\r\n", i);
    bytes.append(line, static_cast<std::size_t>(n));
  }
  return bytes;
}

void BM_LogReader(benchmark::State& state) {
  MemoryFileSystem files;
  const std::string bytes = MakeLog(static_cast<int>(state.range(0)));
  files.MakeFile(u"C:\\uninstall.dat", bytes);
  UninstallLog log(files);
  Text line;
  for (auto _ : state) {
    log.Open(u"C:\\uninstall.dat");
    std::size_t lines = 0;
    while (!log.AtEnd()) {
      log.ReadLine(line);
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LogReader)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The floor: the same bytes read in the same blocks, only counting line ends.
void BM_PlainScan(benchmark::State& state) {
  MemoryFileSystem files;
  const std::string bytes = MakeLog(static_cast<int>(state.range(0)));
  files.MakeFile(u"C:\\uninstall.dat", bytes);
  std::unique_ptr<char[]> buffer(new char[64 * 1024]);
  for (auto _ : state) {
    UniqueFile file(FileCloser{&files},
                    files.Open(u"C:\\uninstall.dat", kGenericRead, kShareRead, Disposition::kOpenExisting));
    std::size_t ends = 0;
    std::uint32_t got = 0;
    while (files.Read(file.get(), buffer.get(), 64 * 1024, &got) && got) {
      for (const char* p = buffer.get(); (p = static_cast<const char*>(
                                              std::memchr(p, '\n', static_cast<std::size_t>(buffer.get() + got - p))));
           ++p) {
        ++ends;
      }
    }
    benchmark::DoNotOptimize(ends);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_PlainScan)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Heap in use at the replay's peak beyond what was in use before it (the log file itself lives
// in the in-memory file system and is not counted).
void BM_ReplayHeap(benchmark::State& state) {
  MemoryFileSystem files;
  files.MakeFolder(u"C:\\App\\data");
  files.MakeFile(u"C:\\App\\uninstall.dat", MakeLog(static_cast<int>(state.range(0))));
  files.SetCurrentDirectory(u"C:\\App");
  MemoryProcess process(files);
  MemoryUi ui;
  MemoryRegistry registry;
  Services services{files, process, ui, registry};
  long long growth = 0;
  for (auto _ : state) {
    Uninstaller u(services);
    u.log.Open();
    const long long before = live_bytes.load();
    peak_bytes = before;
    ReplayLog(u);
    growth = peak_bytes.load() - before;
  }
  state.counters["peak_heap_bytes"] = static_cast<double>(growth);
}
BENCHMARK(BM_ReplayHeap)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// One registry record with its pruning walk against the in-memory registry (the value is put
// back, outside the timing, before each record).
void BM_RegistryRecord(benchmark::State& state) {
  MemoryRegistry registry;
  registry.CreateKey(bench::kHkcu, u"Software\\Other");
  RegistryOperations ops(registry);
  for (auto _ : state) {
    state.PauseTiming();
    registry.SetValue(bench::kHkcu, bench::kRecordKey, u"Theme");
    state.ResumeTiming();
    bench::RemoveOneRecord(ops);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_RegistryRecord);

}  // namespace
}  // namespace unroll

BENCHMARK_MAIN();
