// What the walk's observation hooks cost the import. Parses a document of 100,000 values (the
// benchmark's) in process and walks it, again and again, with a receiver that implements only the
// store's calls and leaves the hooks to their empty defaults, as the import's receiver does; counts
// the hook calls of one walk; and times as many calls of an empty hook through the receiver
// interface. Prints the medians of the parse and the walk and the hooks' share of the walk.
//   walk_hooks [values] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/document_set.h"
#include "import/import_walk.h"
#include "platform/posix/xml_document_libxml2.h"

namespace {

using platform::XmlDocument;
using platform::XmlNode;
using regcorvex::cfgDataScope;
using regcorvex::WalkReceiver;
using regcorvex::WalkSkip;
using regcorvex::WalkValue;

// The store's calls, counted so that the walk cannot be optimised away; the hooks stay empty.
class StoreCalls : public WalkReceiver {
 public:
  bool OpenPref(cfgDataScope, const std::string& key) override { return Count(key.size()); }
  void ClosePref() override { Count(1); }
  void SetPrefInteger(const std::string&, const std::string& name, std::int32_t) override {
    Count(name.size());
  }
  void SetPrefString(const std::string&, const std::string& name, const std::string&) override {
    Count(name.size());
  }
  void SetPrefBooleanProc(const std::string&, const std::string& name, bool) override {
    Count(name.size());
  }
  void SetPrefBinaryProc(const std::string&, const std::string& name,
                         const std::vector<std::uint8_t>&) override {
    Count(name.size());
  }
  std::size_t calls() const { return calls_; }

 private:
  bool Count(std::size_t weight) {
    calls_ += weight;
    return true;
  }
  std::size_t calls_ = 0;
};

// The same, counting the hook calls as well.
class HookCalls final : public StoreCalls {
 public:
  void WalkStarted(platform::XmlDocument&, platform::XmlNode) override { ++hooks_; }
  void ProductEntered(platform::XmlNode) override { ++hooks_; }
  void ScopeEntered(platform::XmlNode, const std::string&) override { ++hooks_; }
  void CategoryEntered(platform::XmlNode, const std::string&) override { ++hooks_; }
  void ValueRead(platform::XmlNode, const WalkValue&) override { ++hooks_; }
  void NodeSkipped(platform::XmlNode, WalkSkip) override { ++hooks_; }
  std::size_t hooks() const { return hooks_; }

 private:
  std::size_t hooks_ = 0;
};

// The receiver the compiler cannot see through, as the walk sees it.
[[gnu::noinline]] WalkReceiver& Opaque(WalkReceiver& receiver) {
  WalkReceiver* pointer = &receiver;
  asm volatile("" : "+r"(pointer));
  return *pointer;
}

double Seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
  const std::string xml = regcorvex::bench::DocumentXml(count);
  std::vector<double> parses;
  std::unique_ptr<platform::XmlDocument> document;
  for (int round = 0; round < rounds; ++round) {
    document.reset();
    const auto start = std::chrono::steady_clock::now();
    document = platform::ParseXmlDocument(xml);
    parses.push_back(Seconds(start));
  }
  const platform::XmlNode root = document->RootElement();

  HookCalls counted;
  regcorvex::ImportWalk(*document, counted).Run(root);
  const std::size_t hooks = counted.hooks();

  std::vector<double> walks, hook_calls;
  std::size_t sink = 0;
  for (int round = 0; round < rounds; ++round) {
    StoreCalls store;
    auto start = std::chrono::steady_clock::now();
    regcorvex::ImportWalk(*document, store).Run(root);
    walks.push_back(Seconds(start));
    sink += store.calls();

    WalkReceiver& receiver = Opaque(store);
    start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < hooks; ++i) receiver.NodeSkipped(root, WalkSkip::kUnusableType);
    hook_calls.push_back(Seconds(start));
  }
  const double walk = Median(walks), hook = Median(hook_calls);
  std::printf("values %d, rounds %d (checksum %zu)\n", count, rounds, sink);
  std::printf("parse of the document (%zu bytes): %.2f ms (median)\n", xml.size(),
              Median(parses) * 1e3);
  std::printf("walk with the store's calls only: %.2f ms (median)\n", walk * 1e3);
  std::printf("hook calls in one walk: %zu; as many empty hook calls: %.3f ms (%.1f ns each)\n",
              hooks, hook * 1e3, hook / static_cast<double>(hooks) * 1e9);
  std::printf("hooks' share of the walk: %.2f%%\n", hook / walk * 100);
  return 0;
}
