#include "wizard/pages/frmChildFuncBatch.h"
