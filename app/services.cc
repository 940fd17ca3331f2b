#include "app/services.h"

namespace regcorvex {

Services DefaultServices() {
  return Services{platform::DefaultApplication(), platform::DefaultMessageBoxes(),
                  platform::DefaultFileSystem(),  platform::DefaultRegistry(),
                  platform::DefaultVersionApi(),  platform::DefaultXmlParser(),
                  platform::GetCommandLineA()};
}

}  // namespace regcorvex
