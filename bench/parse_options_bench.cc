// ParseOptions on a command text of Windows' 32,767 characters, in the shapes
// that could make a parser slow. Each shape also runs at twice that size so
// that the table can show the growth as a ratio.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "options/parse_options.h"

namespace wrenpost {
namespace {

// Repeats `unit` up to `size` characters.
std::string Filled(const std::string& unit, std::size_t size) {
  std::string text;
  while (text.size() < size) text += unit;
  text.resize(size);
  return text;
}

std::string Shape(int shape, std::size_t size) {
  switch (shape) {
    case 0:  // what callers send: every option, repeated
      return Filled("-to anna@firma.pl;jan@firma.pl -subject \"Oferta na marzec\" -body Dzień dobry "
                    "-bodyfile C:\\tmp\\b.html -html 1 -attachment C:\\f.pdf;C:\\g.pdf ",
                    size);
    case 1:  // all blanks
      return std::string(size, ' ');
    case 2:  // all separators
      return Filled(" -", size);
    case 3:  // one huge quoted value
      return "-body \"" + std::string(size - 8, 'x') + "\"";
    default:  // thousands of ";"
      return "-to " + Filled("a;", size - 4);
  }
}

const char* const kShapeNames[] = {"typical", "blanks", "separators", "quoted", "semicolons"};

void BM_ParseOptions(benchmark::State& state) {
  const std::string text = Shape(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  for (auto _ : state) {
    MessageRequest request = ParseOptions(text);
    benchmark::DoNotOptimize(request);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
  state.SetLabel(kShapeNames[state.range(0)]);
}
BENCHMARK(BM_ParseOptions)->ArgsProduct({{0, 1, 2, 3, 4}, {32'767, 65'534}});

// The least any parser must do with the same text: read it once. Its growth
// from n to 2n is the machine's own (the text outgrows a cache), against which
// the parser's growth is judged.
void BM_ScanOnce(benchmark::State& state) {
  const std::string text = Shape(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memchr(text.data(), '\x01', text.size()));
  }
  state.SetLabel(kShapeNames[state.range(0)]);
}
BENCHMARK(BM_ScanOnce)->ArgsProduct({{0, 1, 2, 3, 4}, {32'767, 65'534}});

}  // namespace
}  // namespace wrenpost
