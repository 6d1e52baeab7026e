#pragma once
// Everything of platform/xmath in one include, as code written for DirectXMath expects.
// Conventions: row vectors (point x matrix), matrices compose left to right
// (world x view x projection), left-handed spaces, clip depth 0 <= z <= w.

#include "platform/xmath/Matrix.h"
#include "platform/xmath/Types.h"
#include "platform/xmath/Vector.h"
