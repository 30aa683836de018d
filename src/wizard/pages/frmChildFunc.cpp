#include "wizard/pages/frmChildFunc.h"
