#include "wizard/pages/frmChildFuncComp.h"
