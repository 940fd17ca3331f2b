// In the Windows build: the system's registry, from which the product's keys are removed before
// each document.
#include "tests/differential/document_run.h"
#include "tests/e2e/import_cases.h"

namespace regcorvex::test {
namespace {

class SystemRegistry final : public ImportRegistry {
 public:
  SystemRegistry() { RemoveProductKeys(registry()); }
  platform::Registry& registry() override { return platform::DefaultRegistry(); }
};

}  // namespace

std::unique_ptr<ImportRegistry> ImportRegistry::Create() {
  return std::make_unique<SystemRegistry>();
}

}  // namespace regcorvex::test
