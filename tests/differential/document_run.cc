#include "tests/differential/document_run.h"

#include "import/import_configuration.h"
#include "import/store_receiver.h"
#include "prefs/config_manager.h"
#include "tests/e2e/import_cases.h"
#include "tests/support/recording_message_boxes.h"

namespace regcorvex::test {

DocumentRun ImportDocument(const std::string& path) {
  const std::unique_ptr<ImportRegistry> fresh = ImportRegistry::Create();
  RecordingMessageBoxes boxes;
  {
    TConfigManager store(fresh->registry(), boxes, platform::kNoWindow);
    StoreReceiver receiver(store);
    ImportConfiguration(path, platform::DefaultXmlParser(), receiver, boxes);
  }
  DocumentRun run;
  run.values = ProductValues(fresh->registry());
  for (const RecordedBox& box : boxes.boxes) run.boxes.push_back({box.caption, box.text});
  return run;
}

}  // namespace regcorvex::test
