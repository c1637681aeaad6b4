#include "simulatedlaser.h"
