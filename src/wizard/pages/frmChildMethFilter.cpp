#include "wizard/pages/frmChildMethFilter.h"
