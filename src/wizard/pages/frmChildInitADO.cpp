#include "wizard/pages/frmChildInitADO.h"
