#include "wizard/pages/frmChildMethPrmNames.h"
