#include "wizard/pages/frmChildInitAfterExec.h"
