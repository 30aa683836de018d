#include "wizard/pages/frmChildFuncSQL.h"
