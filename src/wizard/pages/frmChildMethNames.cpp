#include "wizard/pages/frmChildMethNames.h"
