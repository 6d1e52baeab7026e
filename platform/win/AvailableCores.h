#pragma once
// The cores this process may run on (its affinity mask), which can be fewer than the
// machine has; at least 1.
unsigned AvailableCores();
