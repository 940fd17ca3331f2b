// The UTF-8 conversions under their former name, for the XML stand-in's files.
#pragma once

#include "platform/utf8.h"
