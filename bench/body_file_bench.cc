// ReadBodyFile against one plain read of the same bytes, for files of 32 and
// 64 MiB with short lines (a million and more) and with long lines.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "launcher/body_file.h"
#include "platform/posix/posix_file_system.h"

namespace wrenpost {
namespace {

// A body file of `mebibytes` MiB whose lines are `line_length` bytes before
// their CR LF, made once per run of the benchmarks.
const std::string& BodyFile(int mebibytes, int line_length) {
  static std::map<std::pair<int, int>, std::string> made;
  auto& path = made[{mebibytes, line_length}];
  if (path.empty()) {
    const char* temp = std::getenv("TMPDIR");
    path = std::string(temp ? temp : "/tmp") + "/wrenpost-bench-" + std::to_string(::getpid()) + "-" +
           std::to_string(mebibytes) + "-" + std::to_string(line_length) + ".txt";
    std::string line(static_cast<std::size_t>(line_length), 'x');
    line.replace(line.size() / 2, 2, "ż");
    line += "\r\n";
    std::ofstream out(path, std::ios::binary);
    const std::size_t size = static_cast<std::size_t>(mebibytes) << 20;
    for (std::size_t written = 0; written < size; written += line.size()) out << line;
    std::atexit([] {
      for (const auto& [key, file] : made) std::remove(file.c_str());
    });
  }
  return path;
}

std::string PlainRead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  struct stat info {};
  ::fstat(fd, &info);
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  const ssize_t got = ::read(fd, bytes.data(), bytes.size());
  ::close(fd);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return bytes;
}

void Report(benchmark::State& state, const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * info.st_size);
}

void BM_PlainRead(benchmark::State& state) {
  const std::string& path = BodyFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    std::string bytes = PlainRead(path);
    benchmark::DoNotOptimize(bytes);
  }
  Report(state, path);
}

void BM_ReadBodyFile(benchmark::State& state) {
  const std::string& path = BodyFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  PosixFileSystem files;
  for (auto _ : state) {
    std::string body = ReadBodyFile(files, path);
    benchmark::DoNotOptimize(body);
  }
  Report(state, path);
}

// {MiB, bytes per line}: 32 and 64 MiB, 64-byte lines (over a million) and 4,094-byte lines.
#define WRENPOST_BODY_SIZES ArgsProduct({{32, 64, 128}, {64, 4094}})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_PlainRead)->WRENPOST_BODY_SIZES;
BENCHMARK(BM_ReadBodyFile)->WRENPOST_BODY_SIZES;

}  // namespace
}  // namespace wrenpost
