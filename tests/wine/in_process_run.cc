#include "tests/wine/in_process_run.h"

#include <stdexcept>

#include "app/run.h"
#include "platform/windows/win32.h"
#include "tests/support/chosen_executable_version_api.h"
#include "tests/support/recording_message_boxes.h"

namespace regcorvex::test {

WatchReport RunInProcess(const std::string& program, const std::string& command_line,
                         const std::string& working_folder) {
  if (!::SetCurrentDirectoryA(working_folder.c_str())) {
    throw std::runtime_error("cannot enter " + working_folder);
  }
  RecordingMessageBoxes boxes;
  ChosenExecutableVersionApi version_api(program);
  PlatformServices services = DefaultPlatformServices();
  PlatformServices recorded{services.application, boxes,       services.file_system,
                            services.registry,    version_api, services.xml_parser,
                            command_line};
  WatchReport report;
  report.exit_code = static_cast<std::uint32_t>(RunApplication(recorded));
  for (const RecordedBox& box : boxes.boxes) {
    Dialog& dialog = report.dialogs.emplace_back();
    dialog.caption = box.caption;
    dialog.text = box.text;
    // What the user would have seen of it, from its style (the standard dialog's is 0).
    dialog.icon = (box.type & MB_ICONMASK) == MB_ICONERROR;
    if ((box.type & MB_TYPEMASK) == MB_OK) dialog.buttons = {"OK"};
  }
  return report;
}

}  // namespace regcorvex::test
