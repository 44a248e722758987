#include "segment_split.h"
