// The platform services one run uses. The program takes the platform's own; tests pass stand-ins.
#pragma once

#include <string>

#include "platform/application.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/version_api.h"
#include "platform/xml_document.h"

namespace regcorvex {

struct PlatformServices {
  platform::Application& application;
  platform::MessageBoxes& message_boxes;
  platform::FileSystem& file_system;
  platform::Registry& registry;
  platform::VersionApi& version_api;
  platform::XmlParser& xml_parser;
  std::string command_line;
};

PlatformServices DefaultPlatformServices();

}  // namespace regcorvex
