// Process entry of the program: one run with the platform's own services.
#include "app/run.h"

int main() {
  regcorvex::Services services = regcorvex::DefaultServices();
  return regcorvex::RunApplication(services);
}
