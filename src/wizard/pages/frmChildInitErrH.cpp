#include "wizard/pages/frmChildInitErrH.h"
