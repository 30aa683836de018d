#include "wizard/pages/frmChildMeth.h"
