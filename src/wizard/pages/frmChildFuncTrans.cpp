#include "wizard/pages/frmChildFuncTrans.h"
