#include "wizard/pages/frmChildErrHndl.h"
