#include "wizard/pages/frmChildMethDTOvrd.h"
