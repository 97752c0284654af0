// Speed of the address parser and of parse_address on the 200 varied test addresses.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "demo/silent_ui.h"
#include "export/address_parser.h"
#include "export/parse_address.h"

namespace {

std::vector<std::string> addresses() {
  std::ifstream in(std::filesystem::path(VQB_SOURCE_DIR) / "tests/export/addresses_200.txt");
  std::vector<std::string> blocks;
  std::string line, block;
  while (std::getline(in, line)) {
    if (line.empty()) {
      if (!block.empty()) blocks.push_back(block);
      block.clear();
    } else {
      block += (block.empty() ? "" : "\r\n") + line;
    }
  }
  if (!block.empty()) blocks.push_back(block);
  if (blocks.empty())
    blocks.push_back(
        "Attn: Accounts Payable\r\n1420 Market Street, Suite 200\r\nSan Francisco, CA 94103");
  return blocks;
}

using vqb::SilentUi;

// One address per iteration, cycling through the 200.
void BM_AddressParser(benchmark::State& state) {
  const auto texts = addresses();
  vqb::AddressParser parser;
  parser.abbreviateToFit = true;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(parser.parse(texts[i]));
    i = (i + 1) % texts.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddressParser);

// The whole of parse_address up to the cache (no dialog), as an export calls it.
void BM_ParseAddress(benchmark::State& state) {
  const auto texts = addresses();
  SilentUi ui;
  vqb::App app(ui);
  app.parsedAddresses.SetTag("parsedAddresses");
  vqb::ParseAddressOptions options;
  options.askUser = false;
  vqb::qb::Address address;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vqb::split_address(app, address, texts[i], options));
    i = (i + 1) % texts.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAddress);

}  // namespace
