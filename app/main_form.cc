#include "app/main_form.h"

#include "app/command_line.h"
#include "common/product.h"
#include "import/import_configuration.h"
#include "import/store_receiver.h"
#include "platform/code_page.h"

namespace regcorvex {
namespace {

constexpr char kVersionMismatchMessage[] = "Error: RegCorvex ProductName must be Corvane 5";

}  // namespace

TMainWin::TMainWin(PlatformServices& services)
    : services_(services), VersionInfo_(services.version_api) {}

TMainWin::~TMainWin() { FormDestroy(); }

void TMainWin::FormCreate() {
  ImportFile_.clear();
  ImportPath_.clear();
  ConfigMgr = std::make_unique<TConfigManager>(services_.registry, services_.message_boxes,
                                               services_.application.Handle());
  for (const std::string& param : SplitParameters(services_.command_line)) ProcessParam(param);
  if (VersionInfo_.ProductName() != ProductTitle) {
    services_.message_boxes.ShowMessageDialog(services_.application.Handle(),
                                              kVersionMismatchMessage, ApplicationTitle);
  }
  if (!ImportFile_.empty()) {
    ImportFile_ = ResolveDocumentPath(ImportFile_, ImportPath_, services_.file_system);
    RunImport(ImportFile_);
  }
  services_.application.PostQuitMessage(0);
}

void TMainWin::FormDestroy() { ConfigMgr.reset(); }

void TMainWin::ProcessParam(const std::string& param) {
  const std::string upper = platform::CharUpperBuffA(param).substr(0, 3);
  if (upper == "/IC") {
    ImportFile_ = ExtractOptionValue("/IC");
  } else if (upper == "/IP") {
    ImportPath_ = ExtractOptionValue("/IP");
  }
}

void TMainWin::RunImport(const std::string& file_name) {
  if (!FileExists(file_name, services_.file_system)) return;
  StoreReceiver store(*ConfigMgr);
  ImportConfiguration(file_name, services_.xml_parser, store, services_.message_boxes);
}

std::string TMainWin::ExtractOptionValue(const std::string& option) const {
  return regcorvex::ExtractOptionValue(services_.command_line, option);
}

}  // namespace regcorvex
