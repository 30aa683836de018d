#include "wizard/pages/frmChildFuncRSNav.h"
