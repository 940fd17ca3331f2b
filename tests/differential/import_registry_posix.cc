// Natively: the hive files of a new, empty Wine prefix for each document, removed after it.
#include "platform/posix/wine_registry/registry.h"
#include "tests/differential/document_run.h"
#include "tests/support/temp_dir.h"

namespace regcorvex::test {
namespace {

class FreshPrefix final : public ImportRegistry {
 public:
  FreshPrefix() : registry_(platform::OpenWinePrefixRegistry(folder_.path().string())) {}
  platform::Registry& registry() override { return *registry_; }

 private:
  TempDir folder_;
  std::unique_ptr<platform::WinePrefixRegistry> registry_;
};

}  // namespace

std::unique_ptr<ImportRegistry> ImportRegistry::Create() { return std::make_unique<FreshPrefix>(); }

}  // namespace regcorvex::test
