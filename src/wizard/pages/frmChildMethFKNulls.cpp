#include "wizard/pages/frmChildMethFKNulls.h"
