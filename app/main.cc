// Process entry of the program: one run with the platform's own services.
#include "app/run.h"

int main() {
  regcorvex::PlatformServices services = regcorvex::DefaultPlatformServices();
  return regcorvex::RunApplication(services);
}
