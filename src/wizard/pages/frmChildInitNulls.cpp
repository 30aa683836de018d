#include "wizard/pages/frmChildInitNulls.h"
