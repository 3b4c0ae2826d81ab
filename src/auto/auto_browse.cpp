#include "auto/auto_browse.h"
namespace kurumin { void wireAuto(Panel&) {} }
