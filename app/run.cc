#include "app/run.h"

#include <exception>
#include <string>

#include "app/main_form.h"
#include "common/product.h"

namespace regcorvex {
namespace {

void ReportFailure(PlatformServices& services, const std::string& what) {
  services.message_boxes.MessageBoxA(
      platform::kNoWindow, "The run ended because of an unexpected error:\r\n" + what,
      ApplicationTitle, platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground);
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
      ReportFailure(services, Describe(std::current_exception()));
      application.PostQuitMessage(0);
    }
    application.RunMessageLoop();
    application.SetWindowLongA(window, platform::kGwlExStyle, saved_style);
  }
  const std::string persist_error = services.registry.Persist();
  if (!persist_error.empty()) ReportFailure(services, persist_error);
}

}  // namespace

int RunApplication(PlatformServices& services) {
  try {
    const platform::ComApartment com(services.application);
    RunForm(services);
  } catch (...) {
    try {
      ReportFailure(services, Describe(std::current_exception()));
    } catch (...) {
    }
  }
  return 0;
}

}  // namespace regcorvex
