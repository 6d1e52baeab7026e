#pragma once

#include "tests/support/ErrorReports.h"
