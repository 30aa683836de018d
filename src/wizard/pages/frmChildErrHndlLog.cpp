#include "wizard/pages/frmChildErrHndlLog.h"
