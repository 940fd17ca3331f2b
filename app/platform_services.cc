#include "app/platform_services.h"

namespace regcorvex {

PlatformServices DefaultPlatformServices() {
  return PlatformServices{platform::DefaultApplication(), platform::DefaultMessageBoxes(),
                          platform::DefaultFileSystem(),  platform::DefaultRegistry(),
                          platform::DefaultVersionApi(),  platform::DefaultXmlParser(),
                          platform::GetCommandLineA()};
}

}  // namespace regcorvex
