// Process entry of the program: one run with the platform's own services.
#include "app/run.h"

int main() { return regcorvex::RunApplication(regcorvex::DefaultPlatformServices); }
