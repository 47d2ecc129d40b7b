#pragma once

// The tee wrapper lives with the other single-filter wrappers.
#include "filters/DSBaseFilter.h"
