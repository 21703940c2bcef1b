// Parse + bind + one lookup of a catalog answer with 10,000 file items, beside the library's
// bare parse of the same text. The goal: binding costs at most three bare parses.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ManifestJson.h"
#include "ZaltoManifestBinding.h"

namespace {

using skylaunch::TZaltoManifest;

constexpr int kFileItems = 10000;

std::u16string Text(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Every tenth item carries install metadata; the component looked up comes last.
std::u16string GenerateManifest() {
  std::string json =
      R"({"Id":12,"ProductCode":"TRV","MajorVersion":"2024","ProductReleaseRevision":[)"
      R"({"Id":7,"Major":"2024","Minor":"2","ProductId":3,"ReleaseDate":"2024-02-01T08:00:00Z",)"
      R"("ReleaseStatus":"Release","Revision":"15","RevisionCreatedBy":"build","Notes":"Spring update"}],)"
      R"("FileItems":[)";
  for (int i = 0; i < kFileItems; ++i) {
    const std::string n = std::to_string(i);
    const std::string name = i == kFileItems - 1 ? "S24Launch.exe" : "Component" + n + ".dll";
    json += R"({"Build":")" + n + R"(","FileName":")" + name +
            R"(","HasDependencies":false,)"
            R"("Hash":"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08","Id":)" +
            n +
            R"(,"MajorVersion":"24","MinorVersion":"2","ProductCode":"TRV","ReleaseStatus":"Release",)"
            R"("Revision":"15","Size":)" +
            std::to_string(1000 + i) +
            R"(,"Tag":"component",)"
            R"("Timestamp":"2024-02-01 08:00:00","Urn":"https://files.example.test/2024/)" +
            name + '"';
    if (i % 10 == 0) {
      json +=
          R"(,"Metadata":{"Subcomponent":"Setup","Manifest":{"Version":"1.0","IsGlobal":true,)"
          R"("PreparationSteps":[{"Action":"Stop","RelativeActionFilePath":"bin\\svc.exe","InputValues":["a"],)"
          R"("Arguments":["/q"],"IsAsync":false}],"InstallationAction":[],"UnInstallationActions":[],)"
          R"("FileList":[{"RelativeFullName":"bin\\)" +
          name + R"(","Version":"24.2.15.)" + n + R"("}]}})";
    }
    json += i + 1 < kFileItems ? "}," : "}";
  }
  return Text(json + "]}");
}

const std::u16string& Manifest() {
  static const std::u16string text = GenerateManifest();
  return text;
}

// On a shared machine the fastest repetition is the steadiest figure.
double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Manifest().size() * sizeof(char16_t)));
}

// The library's parse with its default settings: recursive, strings copied into the DOM.
void BM_BareParse(benchmark::State& state) {
  for (auto _ : state) {
    rapidjson::GenericDocument<rapidjson::UTF16<char16_t>> document;
    document.Parse(Manifest().c_str());
    benchmark::DoNotOptimize(document.IsObject());
  }
  SetBytes(state);
}
BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// The same settings as the binding's parser (iterative, in place, numbers as text), with the
// copy of the text that in-place parsing needs.
void BM_BareParseIterativeInsitu(benchmark::State& state) {
  constexpr unsigned kFlags =
      rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag | rapidjson::kParseNumbersAsStringsFlag;
  for (auto _ : state) {
    std::u16string buffer = Manifest();
    rapidjson::GenericDocument<rapidjson::UTF16<char16_t>> document;
    document.ParseInsitu<kFlags>(buffer.data());
    benchmark::DoNotOptimize(document.IsObject());
  }
  SetBytes(state);
}
BENCHMARK(BM_BareParseIterativeInsitu)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

// The binding's own parse alone (checked strings, numbers converted), to split the cost.
void BM_CheckedParse(benchmark::State& state) {
  for (auto _ : state) {
    const skylaunch::TJsonText json(Manifest());
    benchmark::DoNotOptimize(json.Root().IsObject());
  }
  SetBytes(state);
}
BENCHMARK(BM_CheckedParse)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_CreateObjectFromStringAndLookup(benchmark::State& state) {
  for (auto _ : state) {
    auto manifest = TZaltoManifest::CreateObjectFromString(Manifest());
    benchmark::DoNotOptimize(manifest->GetFileItemByComponentName(u"s24launch.EXE"));
  }
  SetBytes(state);
}
BENCHMARK(BM_CreateObjectFromStringAndLookup)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

void BM_GetAsJson(benchmark::State& state) {
  auto manifest = TZaltoManifest::CreateObjectFromString(Manifest());
  for (auto _ : state) benchmark::DoNotOptimize(manifest->GetAsJson());
  SetBytes(state);
}
BENCHMARK(BM_GetAsJson)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

}  // namespace

BENCHMARK_MAIN();
