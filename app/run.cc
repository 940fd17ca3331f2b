#include "app/run.h"

#include <exception>
#include <string>

#include "app/main_form.h"
#include "common/product.h"

namespace regcorvex {
namespace {

void ReportFailure(platform::MessageBoxes& boxes, const std::string& what) {
  boxes.MessageBoxA(platform::kNoWindow, "The run ended because of an unexpected error:\r\n" + what,
                    ApplicationTitle,
                    platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground);
}

std::string Describe(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

void RunForm(PlatformServices& services) {
  platform::Application& application = services.application;
  application.SetTitle(ApplicationTitle);
  const platform::Hwnd window = application.Handle();
  const platform::Long saved_style = application.GetWindowLongA(window, platform::kGwlExStyle);
  application.SetWindowLongA(window, platform::kGwlExStyle,
                             saved_style | platform::kWsExToolWindow);
  {
    TMainWin form(services);
    try {
      form.FormCreate();
    } catch (...) {
      ReportFailure(services.message_boxes, Describe(std::current_exception()));
      application.PostQuitMessage(0);
    }
    application.RunMessageLoop();
    application.SetWindowLongA(window, platform::kGwlExStyle, saved_style);
  }
  const std::string persist_error = services.registry.Persist();
  if (!persist_error.empty()) ReportFailure(services.message_boxes, persist_error);
}

// Reports the exception being handled in the boxes that boxes() gives; when even that fails,
// nothing is left to tell it with.
template <typename Boxes>
void ReportEnd(const Boxes& boxes) noexcept {
  try {
    ReportFailure(boxes(), Describe(std::current_exception()));
  } catch (...) {
  }
}

}  // namespace

int RunApplication(PlatformServices& services) {
  try {
    const platform::ComApartment com(services.application);
    RunForm(services);
  } catch (...) {
    ReportEnd([&services]() -> platform::MessageBoxes& { return services.message_boxes; });
  }
  return 0;
}

int RunApplication(PlatformServices (*make_services)(),
                   platform::MessageBoxes& (*fallback_boxes)()) {
  try {
    PlatformServices services = make_services();
    return RunApplication(services);
  } catch (...) {
    ReportEnd(fallback_boxes);
  }
  return 0;
}

}  // namespace regcorvex
