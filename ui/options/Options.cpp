#include "ui/options/Options.h"
