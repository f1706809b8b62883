// ParseOptions on command texts up to Windows' 32,767 characters, in the
// shapes that could make a parser slow. Each shape runs at n and 2n
// characters so that the table can show the growth as a ratio.
#include <benchmark/benchmark.h>

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
BENCHMARK(BM_ParseOptions)->ArgsProduct({{0, 1, 2, 3, 4}, {16'383, 32'766}});

}  // namespace
}  // namespace wrenpost
