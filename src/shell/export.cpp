#include "export.h"
