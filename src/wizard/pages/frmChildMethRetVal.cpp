#include "wizard/pages/frmChildMethRetVal.h"
